#pragma once
// A font by family and size in points, drawn through Pango.
#include <string>

namespace platform {

struct Font {
    std::string family = "DejaVu Sans";
    float size = 17;
    bool bold = false;
    bool operator==(const Font&) const = default;
    static Font system(float size) { return {"DejaVu Sans", size, false}; }
    static Font boldSystem(float size) { return {"DejaVu Sans", size, true}; }
};

enum class TextAlignment { Left, Center, Right };

}  // namespace platform
