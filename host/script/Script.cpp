#include "host/script/Script.h"

#include "platform/foundation/RegularFile.h"

#include "host/script/NumberParser.h"

#include <array>
#include <cctype>

namespace host {
namespace {

using Kind = ScriptCommand::Kind;

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into words; "double quoted" words may hold blanks, \" and \\. '#' outside quotes
// starts a comment. Returns an error message instead when a quote is left open.
std::optional<std::string> tokenize(std::string_view line, std::vector<Token>& out) {
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '#') break;
        Token t;
        if (c == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char q = line[i++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                if (q == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) q = line[i++];
                t.text += q;
            }
            if (!closed) return "unterminated quote";
            if (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) && line[i] != '#')
                return "text after a closing quote";
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) && line[i] != '#')
                t.text += line[i++];
        }
        out.push_back(std::move(t));
    }
    return std::nullopt;
}

// Thrown inside this file only, to leave the line's parse with its message.
struct LineError {
    std::string message;
};

class LineParser {
public:
    LineParser(const std::vector<Token>& tokens) : tokens_(tokens) {}

    const std::string& word() const { return tokens_[0].text; }
    size_t argCount() const { return tokens_.size() - 1; }

    void expectArgs(size_t min, size_t max, const char* form) const {
        if (argCount() < min || argCount() > max) throw LineError{std::string("expected ") + form};
    }
    const Token& arg(size_t i) const { return tokens_.at(i + 1); }

    double number(size_t i, const char* what) const {
        const Token& t = arg(i);
        auto v = t.quoted ? std::nullopt : parseNumber(t.text);
        if (!v) throw LineError{std::string(what) + " must be a number, got '" + t.text + "'"};
        return *v;
    }
    double coordinate(size_t i, bool horizontal) const {
        const char* what = horizontal ? "x" : "y";
        double v = number(i, what);
        double limit = horizontal ? Script::kScreenWidth : Script::kScreenHeight;
        if (v < 0 || v > limit)
            throw LineError{std::string(what) + " " + arg(i).text + " is off the 320 x 480 screen"};
        return v;
    }
    double seconds(size_t i) const {
        double v = number(i, "seconds");
        if (v < 0) throw LineError{"seconds must not be negative, got " + arg(i).text};
        if (v > Script::kMaxSeconds) throw LineError{"seconds must be at most 3600, got " + arg(i).text};
        return v;
    }
    int integer(size_t i, const char* what, int64_t min, int64_t max) const {
        const Token& t = arg(i);
        auto v = t.quoted ? std::nullopt : parseInteger(t.text);
        if (!v || *v < min || *v > max)
            throw LineError{std::string(what) + " must be a whole number from " + std::to_string(min) + " to " +
                            std::to_string(max) + ", got '" + t.text + "'"};
        return int(*v);
    }
    int finger(size_t i) const {
        if (argCount() <= i) return 0;
        return integer(i, "finger", 0, Script::kFingers - 1);
    }

private:
    const std::vector<Token>& tokens_;
};

// Which fingers are on the screen after each line, so "up 1" without "down ... 1" is caught now.
class FingerState {
public:
    void press(int f) {
        if (down_[f]) throw LineError{"finger " + std::to_string(f) + " is already down"};
        down_[f] = true;
    }
    void requireDown(int f) const {
        if (!down_[f]) throw LineError{"finger " + std::to_string(f) + " is not down"};
    }
    void lift(int f) {
        requireDown(f);
        down_[f] = false;
    }
    // The lowest finger not on the screen (gestures use fingers nobody is holding).
    int free(int skip = -1) const {
        for (int f = 0; f < Script::kFingers; ++f)
            if (!down_[f] && f != skip) return f;
        throw LineError{"every finger is already down"};
    }

private:
    std::array<bool, Script::kFingers> down_{};
};

ScriptCommand parseLine(const std::vector<Token>& tokens, FingerState& fingers) {
    LineParser p(tokens);
    ScriptCommand c;
    if (tokens[0].quoted) throw LineError{"a line must start with a command, not a quoted text"};
    const std::string& w = p.word();
    if (w == "wait") {
        p.expectArgs(1, 1, "wait S");
        c.kind = Kind::Wait;
        c.seconds = p.seconds(0);
    } else if (w == "tap") {
        p.expectArgs(1, 2, "tap X Y, tap @NAME or tap \"TITLE\"");
        c.finger = fingers.free();
        if (p.argCount() == 2) {
            c.kind = Kind::Tap;
            c.x = p.coordinate(0, true);
            c.y = p.coordinate(1, false);
        } else if (p.arg(0).quoted) {
            c.kind = Kind::TapTitled;
            c.text = p.arg(0).text;
            if (c.text.empty()) throw LineError{"tap \"\": the title is empty"};
        } else if (p.arg(0).text.size() > 1 && p.arg(0).text[0] == '@') {
            c.kind = Kind::TapNamed;
            c.text = p.arg(0).text.substr(1);
            for (char ch : c.text)
                if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'))
                    throw LineError{"'" + p.arg(0).text + "' is not a view name (letters, digits and _ after @)"};
        } else {
            throw LineError{"expected tap X Y, tap @NAME or tap \"TITLE\""};
        }
    } else if (w == "sheet") {
        p.expectArgs(1, 1, "sheet N");
        c.kind = Kind::Sheet;
        c.index = p.integer(0, "button index", 0, 99);
        c.finger = fingers.free();
    } else if (w == "down" || w == "move") {
        p.expectArgs(2, 3, w == "down" ? "down X Y [F]" : "move X Y [F]");
        c.kind = w == "down" ? Kind::Down : Kind::Move;
        c.x = p.coordinate(0, true);
        c.y = p.coordinate(1, false);
        c.finger = p.finger(2);
        if (c.kind == Kind::Down) fingers.press(c.finger);
        else fingers.requireDown(c.finger);
    } else if (w == "up" || w == "cancel") {
        p.expectArgs(0, 1, w == "up" ? "up [F]" : "cancel [F]");
        c.kind = w == "up" ? Kind::Up : Kind::Cancel;
        c.finger = p.finger(0);
        fingers.lift(c.finger);
    } else if (w == "hold") {
        p.expectArgs(3, 3, "hold X Y S");
        c.kind = Kind::Hold;
        c.x = p.coordinate(0, true);
        c.y = p.coordinate(1, false);
        c.seconds = p.seconds(2);
        c.finger = fingers.free();
    } else if (w == "drag") {
        p.expectArgs(5, 5, "drag X0 Y0 X1 Y1 S");
        c.kind = Kind::Drag;
        c.x = p.coordinate(0, true);
        c.y = p.coordinate(1, false);
        c.x1 = p.coordinate(2, true);
        c.y1 = p.coordinate(3, false);
        c.seconds = p.seconds(4);
        c.finger = fingers.free();
    } else if (w == "pinch") {
        p.expectArgs(5, 5, "pinch X Y D0 D1 S");
        c.kind = Kind::Pinch;
        c.x = p.coordinate(0, true);
        c.y = p.coordinate(1, false);
        c.d0 = p.number(2, "D0");
        c.d1 = p.number(3, "D1");
        c.seconds = p.seconds(4);
        for (double d : {c.d0, c.d1}) {
            if (d <= 0) throw LineError{"a pinch's finger separation must be above 0"};
            // Both fingers sit on a horizontal line through X,Y and must stay on the screen.
            if (c.x - d / 2 < 0 || c.x + d / 2 > Script::kScreenWidth)
                throw LineError{"a separation of " + std::to_string(int(d)) + " puts a finger off the screen"};
        }
        c.finger = fingers.free();
        c.finger2 = fingers.free(c.finger);
    } else if (w == "key") {
        p.expectArgs(1, 1, "key volume-up or key volume-down");
        c.kind = Kind::Key;
        const auto& k = p.arg(0).text;
        if (k == "volume-up") c.volumeUp = true;
        else if (k == "volume-down") c.volumeUp = false;
        else throw LineError{"unknown key '" + k + "' (volume-up or volume-down)"};
    } else if (w == "orientation") {
        p.expectArgs(1, 1, "orientation N");
        c.kind = Kind::Orientation;
        c.index = p.integer(0, "orientation", 1, 6);
    } else if (w == "location") {
        p.expectArgs(2, 3, "location LAT LON [ACC]");
        c.kind = Kind::Location;
        c.latitude = p.number(0, "latitude");
        c.longitude = p.number(1, "longitude");
        c.accuracy = p.argCount() == 3 ? p.number(2, "accuracy") : 10.0;
        if (c.latitude < -90 || c.latitude > 90) throw LineError{"latitude must be -90 to 90"};
        if (c.longitude < -180 || c.longitude > 180) throw LineError{"longitude must be -180 to 180"};
        if (c.accuracy < 0) throw LineError{"accuracy must not be negative"};
    } else if (w == "location-services") {
        p.expectArgs(1, 1, "location-services on or location-services off");
        c.kind = Kind::LocationServices;
        const auto& v = p.arg(0).text;
        if (v == "on" && !p.arg(0).quoted) c.on = true;
        else if (v == "off" && !p.arg(0).quoted) c.on = false;
        else throw LineError{"expected on or off, got '" + v + "'"};
    } else if (w == "resign" || w == "activate" || w == "quit") {
        p.expectArgs(0, 0, (w + " (no arguments)").c_str());
        c.kind = w == "resign" ? Kind::Resign : w == "activate" ? Kind::Activate : Kind::Quit;
    } else if (w == "screenshot") {
        p.expectArgs(1, 1, "screenshot FILE.png");
        c.kind = Kind::Screenshot;
        c.text = p.arg(0).text;
        auto dot = c.text.rfind('.');
        std::string ext = dot == std::string::npos ? "" : c.text.substr(dot);
        for (auto& ch : ext) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        if (ext != ".png" || c.text.size() <= 4 || c.text.back() == '/')
            throw LineError{"screenshot file must end in .png, got '" + c.text + "'"};
    } else {
        throw LineError{"unknown command '" + w + "'"};
    }
    return c;
}

}  // namespace

const char* ScriptCommand::name(Kind kind) {
    switch (kind) {
        case Kind::Wait: return "wait";
        case Kind::Tap:
        case Kind::TapNamed:
        case Kind::TapTitled: return "tap";
        case Kind::Sheet: return "sheet";
        case Kind::Down: return "down";
        case Kind::Move: return "move";
        case Kind::Up: return "up";
        case Kind::Cancel: return "cancel";
        case Kind::Hold: return "hold";
        case Kind::Drag: return "drag";
        case Kind::Pinch: return "pinch";
        case Kind::Key: return "key";
        case Kind::Orientation: return "orientation";
        case Kind::Location: return "location";
        case Kind::LocationServices: return "location-services";
        case Kind::Resign: return "resign";
        case Kind::Activate: return "activate";
        case Kind::Screenshot: return "screenshot";
        case Kind::Quit: return "quit";
    }
    return "?";
}

Script::Result Script::parse(std::string_view text) {
    Script script;
    FingerState fingers;
    int lineNo = 0;
    int quitLine = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        auto fail = [&](const std::string& message) {
            Result r;
            r.error = "script:" + std::to_string(lineNo) + ": " + message;
            return r;
        };
        if (line.find('\0') != std::string_view::npos) return fail("a NUL byte in the line");
        std::vector<Token> tokens;
        if (auto err = tokenize(line, tokens)) return fail(*err);
        if (tokens.empty()) continue;
        if (quitLine) return fail("nothing can follow quit (line " + std::to_string(quitLine) + ")");
        try {
            ScriptCommand c = parseLine(tokens, fingers);
            c.line = lineNo;
            if (c.kind == Kind::Quit) quitLine = lineNo;
            script.commands_.push_back(std::move(c));
        } catch (const LineError& e) {
            if (e.message.rfind("unknown command", 0) == 0 || tokens[0].quoted) return fail(e.message);
            return fail(tokens[0].text + ": " + e.message);
        }
        if (end == text.size()) break;
    }
    Result r;
    r.script = std::move(script);
    return r;
}

Script::Result Script::load(const std::filesystem::path& file) {
    // Regular files only: a FIFO or a device would wait for a writer, or never end.
    using Problem = platform::RegularFile::Problem;
    auto read = platform::RegularFile::read(file, kMaxScriptBytes);
    if (!read.bytes) {
        Result r;
        r.error = "script: cannot read " + file.string() +
                  (read.problem == Problem::NotRegular ? ": not a regular file"
                   : read.problem == Problem::TooLarge ? ": too large"
                                                       : "");
        return r;
    }
    return parse(std::string(read.bytes->begin(), read.bytes->end()));
}

bool Script::endsWithQuit() const { return !commands_.empty() && commands_.back().kind == ScriptCommand::Kind::Quit; }

}  // namespace host
