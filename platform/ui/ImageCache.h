#pragma once
// Named bundle images at the screen scale: at scale 2 a name's @2x file when the bundle has one.
// Loaded once and shared.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"

#include <string>

namespace platform {

class Bundle;

class ImageCache {
public:
    // The screen scale (the host's; 1 until set). Changing it empties the cache.
    static void setScale(int scale);
    static int scale();

    // The image `name` ("sb_color-full.png"; no extension means .png) from `bundle`, or from the
    // main bundle (which must be installed). Null when there is no such file or it is not a
    // readable PNG.
    static ImageRef imageNamed(const std::string& name, const Bundle* bundle = nullptr);
    // The size in points: pixels divided by the scale of the file the image came from (1 for
    // images the cache did not load).
    static Size pointSize(const ImageRef& image);
    static float scaleOf(const ImageRef& image);
    static void clear();
};

}  // namespace platform
