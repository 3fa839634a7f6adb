#include "platform/graphics/HtmlSanitizer.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <vector>

namespace platform {
namespace {

// Elements that never hold children, and elements the parser closes implicitly (a run of <p> or
// <li> makes siblings, not depth): neither counts toward nesting.
constexpr std::array<std::string_view, 35> kUncounted = {
    "area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param", "source",
    "track", "wbr", "keygen", "p", "li", "dt", "dd", "tr", "td", "th", "option", "optgroup", "thead",
    "tbody", "tfoot", "colgroup", "caption", "html", "head", "body", "rb", "rt", "rp"};
constexpr std::array<std::string_view, 6> kRawText = {"script", "style", "textarea", "title", "xmp", "plaintext"};

constexpr long kMaxTableDepth = 6;

bool isCounted(const std::string& name) {
    return std::find(kUncounted.begin(), kUncounted.end(), name) == kUncounted.end();
}
bool isRawText(const std::string& name) {
    return std::find(kRawText.begin(), kRawText.end(), name) != kRawText.end();
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The index just past the '>' that ends the tag opened at `from`, skipping quoted attribute values;
// npos when the tag never ends.
size_t tagEnd(std::string_view s, size_t from) {
    char quote = 0;
    for (size_t i = from; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            // Quotes only open a value right after '='.
            size_t j = i;
            while (j > from && std::isspace(static_cast<unsigned char>(s[j - 1]))) --j;
            if (j > from && s[j - 1] == '=') quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

std::string tagName(std::string_view s, size_t start) {
    size_t e = start;
    while (e < s.size() && !std::isspace(static_cast<unsigned char>(s[e])) && s[e] != '/' && s[e] != '>') ++e;
    return lower(s.substr(start, e - start));
}

// One pass over the markup: copies it to `out` (when given) with over-deep elements unwrapped, and
// returns the deepest nesting seen.
int scan(std::string_view s, int maxDepth, std::string* out) {
    std::vector<std::string> open;
    std::map<std::string, int> dropped;
    int deepest = 0;
    auto emit = [&](size_t a, size_t b) {
        if (out) out->append(s.substr(a, b - a));
    };
    size_t i = 0;
    while (i < s.size()) {
        size_t lt = s.find('<', i);
        if (lt == std::string_view::npos) {
            emit(i, s.size());
            break;
        }
        emit(i, lt);
        i = lt;
        if (s.substr(i, 4) == "<!--") {
            size_t e = s.find("-->", i + 4);
            size_t end = e == std::string_view::npos ? s.size() : e + 3;
            emit(i, end);
            i = end;
            continue;
        }
        bool closing = i + 1 < s.size() && s[i + 1] == '/';
        size_t nameStart = i + (closing ? 2 : 1);
        if (nameStart >= s.size() || !std::isalpha(static_cast<unsigned char>(s[nameStart]))) {
            if (!closing && i + 1 < s.size() && (s[i + 1] == '!' || s[i + 1] == '?')) {
                size_t e = s.find('>', i);
                size_t end = e == std::string_view::npos ? s.size() : e + 1;
                emit(i, end);
                i = end;
            } else {
                emit(i, i + 1);
                i += 1;
            }
            continue;
        }
        size_t end = tagEnd(s, nameStart);
        if (end == std::string_view::npos) {
            emit(i, s.size());
            break;
        }
        std::string name = tagName(s, nameStart);
        if (closing) {
            auto d = dropped.find(name);
            if (d != dropped.end() && d->second > 0) {
                --d->second;
            } else {
                auto it = std::find(open.rbegin(), open.rend(), name);
                if (it != open.rend()) open.erase(std::prev(it.base()), open.end());
                emit(i, end);
            }
            i = end;
            continue;
        }
        if (isRawText(name)) {
            // Copy through to the matching end tag: what lies between is not markup.
            std::string lowerRest = lower(s.substr(end));
            size_t close = lowerRest.find("</" + name);
            size_t stop = close == std::string::npos ? s.size() : end + close;
            emit(i, stop);
            i = stop;
            continue;
        }
        if (isCounted(name)) {
            // Table layout costs grow steeply with table nesting, so tables get a lower cap.
            bool tooDeep = int(open.size()) >= maxDepth ||
                           (name == "table" && std::count(open.begin(), open.end(), "table") >= kMaxTableDepth);
            if (tooDeep) {
                ++dropped[name];
                i = end;
                continue;
            }
            open.push_back(name);
            deepest = std::max(deepest, int(open.size()));
        }
        emit(i, end);
        i = end;
    }
    return deepest;
}

}  // namespace

std::string HtmlSanitizer::sanitize(std::string_view html, int maxDepth) {
    std::string noNul;
    noNul.reserve(html.size());
    for (char c : html)
        if (c != '\0') noNul.push_back(c);
    gchar* valid = g_utf8_make_valid(noNul.data(), gssize(noNul.size()));
    std::string text(valid);
    g_free(valid);
    std::string out;
    out.reserve(text.size());
    scan(text, std::max(1, maxDepth), &out);
    return out;
}

int HtmlSanitizer::nestingDepth(std::string_view html) {
    return scan(html, 1 << 30, nullptr);
}

}  // namespace platform
