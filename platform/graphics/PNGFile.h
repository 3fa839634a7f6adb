#pragma once
// PNG files to and from Images, through Cairo. Pictures with transparency load as premultiplied
// B,G,R,A (BitmapInfo::BGRAPremultiplied); opaque ones as B,G,R,X.
#include "platform/graphics/Image.h"

#include <filesystem>

namespace platform {

class PNGFile {
public:
    // Null when the file is missing or not a readable PNG.
    static ImageRef read(const std::filesystem::path& path);
    static ImageRef decode(const uint8_t* bytes, size_t length);
    // Writes B,G,R,X, premultiplied B,G,R,A or grey images. False when it cannot.
    static bool write(const Image& image, const std::filesystem::path& path);
};

}  // namespace platform
