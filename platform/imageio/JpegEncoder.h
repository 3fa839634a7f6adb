#pragma once
// libjpeg-turbo encoding of an Image into memory. Never calls exit(): libjpeg errors come back
// as a false result.
#include "platform/graphics/Image.h"

#include <cstdint>
#include <vector>

namespace platform {

class JpegEncoder {
public:
    // Encodes B,G,R,X (or premultiplied B,G,R,A, alpha dropped) as three-component YCbCr and grey
    // as one component. `app1`, when not empty, is written as an APP1 segment right after the
    // start of image, and then no JFIF segment is written. `out` is replaced; false (and `out`
    // emptied) on failure.
    static bool encode(const Image& image, int quality, const std::vector<uint8_t>& app1, std::vector<uint8_t>& out);
};

}  // namespace platform
