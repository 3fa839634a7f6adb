#include "platform/foundation/StringsTable.h"

#include <fstream>
#include <iterator>

namespace platform {
namespace {

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    auto unit = [&](size_t i) -> uint32_t {
        auto b0 = static_cast<uint8_t>(bytes[i]), b1 = static_cast<uint8_t>(bytes[i + 1]);
        return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            uint32_t lo = unit(i + 2);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, u);
    }
    return out;
}

std::string toUtf8(std::string_view bytes) {
    auto starts = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
    if (starts("\xFF\xFE")) return utf16ToUtf8(bytes.substr(2), false);
    if (starts("\xFE\xFF")) return utf16ToUtf8(bytes.substr(2), true);
    if (starts("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
    return std::string(bytes);
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isBareChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '$' || c == ':' || c == '/' || c == '-';
}

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    // Skips whitespace and comments; false on an unterminated comment.
    bool skip() {
        for (;;) {
            while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
                ++i_;
            if (s_.substr(i_, 2) == "/*") {
                size_t end = s_.find("*/", i_ + 2);
                if (end == std::string_view::npos) return false;
                i_ = end + 2;
            } else if (s_.substr(i_, 2) == "//") {
                size_t end = s_.find('\n', i_);
                i_ = end == std::string_view::npos ? s_.size() : end + 1;
            } else {
                return true;
            }
        }
    }
    bool atEnd() const { return i_ >= s_.size(); }
    bool take(char c) {
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }

    // A quoted string or a bare word.
    std::optional<std::string> token() {
        if (take('"')) return quoted();
        std::string out;
        while (i_ < s_.size() && isBareChar(s_[i_])) out += s_[i_++];
        if (out.empty()) return std::nullopt;
        return out;
    }

private:
    std::optional<std::string> quoted() {
        std::string out;
        while (i_ < s_.size()) {
            char c = s_[i_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) break;
            char e = s_[i_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'U':
                case 'u': out += unicodeEscape(); break;
                default: out += e; break;  // \" \\ \' and anything else stand for themselves
            }
        }
        return std::nullopt;  // unterminated
    }

    std::string unicodeEscape() {
        auto hex4 = [&]() -> std::optional<uint32_t> {
            if (i_ + 4 > s_.size()) return std::nullopt;
            uint32_t v = 0;
            for (size_t k = 0; k < 4; ++k) {
                char h = s_[i_ + k];
                if (!isHex(h)) return std::nullopt;
                v = v * 16 + static_cast<uint32_t>(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
            }
            i_ += 4;
            return v;
        };
        std::string out;
        auto u = hex4();
        if (!u) return out;
        uint32_t cp = *u;
        const auto next = s_.substr(i_, 2);
        if (cp >= 0xD800 && cp <= 0xDBFF && (next == "\\U" || next == "\\u")) {
            size_t save = i_;
            i_ += 2;
            auto lo = hex4();
            if (lo && *lo >= 0xDC00 && *lo <= 0xDFFF) cp = 0x10000 + ((cp - 0xD800) << 10) + (*lo - 0xDC00);
            else i_ = save;
        }
        appendUtf8(out, cp);
        return out;
    }

    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace

StringsTable StringsTable::parse(std::string_view bytes) {
    StringsTable t;
    const std::string text = toUtf8(bytes);
    Parser p(text);
    for (;;) {
        if (!p.skip()) break;
        if (p.atEnd()) return t;
        auto key = p.token();
        if (!key || !p.skip()) break;
        std::optional<std::string> value = key;  // "KEY"; alone means the key is its own text
        if (p.take('=')) {
            if (!p.skip()) break;
            value = p.token();
            if (!value || !p.skip()) break;
        }
        if (!p.take(';')) break;
        t.entries_.insert_or_assign(std::move(*key), std::move(*value));
    }
    t.complete_ = false;
    return t;
}

std::optional<StringsTable> StringsTable::load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return parse(bytes);
}

std::optional<std::string> StringsTable::lookup(const std::string& key) const {
    auto it = entries_.find(key);
    if (it == entries_.end()) return std::nullopt;
    return it->second;
}

}  // namespace platform
