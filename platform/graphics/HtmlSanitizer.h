#pragma once
// Makes markup safe to hand to the HTML engine: invalid UTF-8 becomes U+FFFD, NUL bytes go, and
// elements nested deeper than `maxDepth` are unwrapped (their text kept), so no input can exhaust
// the stack of a recursive layout. Tables nest at most six deep.
#include <string>
#include <string_view>

namespace platform {

class HtmlSanitizer {
public:
    static constexpr int kDefaultMaxDepth = 200;
    static std::string sanitize(std::string_view html, int maxDepth = kDefaultMaxDepth);
    // The deepest element nesting `html` opens, counting as sanitize() does.
    static int nestingDepth(std::string_view html);
};

}  // namespace platform
