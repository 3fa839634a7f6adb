#pragma once
// The engine's built-in look of HTML elements: what every page starts from before its own styles.
namespace platform {

struct HtmlStylesheet {
    static const char* master();
};

}  // namespace platform
