#pragma once
// A font by family and size in points, drawn through Pango with the fonts of FontLibrary.
#include "platform/graphics/FontLibrary.h"

#include <string>

namespace platform {

struct Font {
    std::string family = FontLibrary::kInterfaceFamily;
    float size = 17;
    bool bold = false;
    bool operator==(const Font&) const = default;
    static Font system(float size) { return {FontLibrary::kInterfaceFamily, size, false}; }
    static Font boldSystem(float size) { return {FontLibrary::kInterfaceFamily, size, true}; }
};

enum class TextAlignment { Left, Center, Right };

}  // namespace platform
