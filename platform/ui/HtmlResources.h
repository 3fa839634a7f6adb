#pragma once
// Resolves what HTML in the bundle refers to: images by name, pages by relative path.
#include "platform/graphics/HtmlDocument.h"

#include <optional>
#include <string>

namespace platform {

class Bundle;

struct HtmlResources {
    // An image resolver over `bundle` at `scale`; empty when bundle is null.
    static HtmlDocument::ImageResolver imageResolver(const Bundle* bundle, int scale);
    // The text of the bundle page `path` ("help2.html", "./help.html"); nothing when it is missing
    // or the path leaves the bundle.
    static std::optional<std::string> readPage(const Bundle* bundle, const std::string& path);
};

}  // namespace platform
