#pragma once
// libjpeg-turbo encoding of an Image into memory. Never calls exit(): libjpeg errors come back
// as a false result.
#include "platform/graphics/Image.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

class JpegEncoder {
public:
    // Encodes B,G,R,X (or premultiplied B,G,R,A, alpha dropped) as three-component YCbCr and grey
    // as one component. `app1`, when not empty, is written as an APP1 segment right after the
    // start of image, and then no JFIF segment is written. `out` is replaced; false (and `out`
    // emptied) on failure.
    static bool encode(const Image& image, int quality, const std::vector<uint8_t>& app1, std::vector<uint8_t>& out);

    // Hands out rows first .. first + count - 1 (count at most kMaxRows, asked for in order) by
    // filling `rows` with their addresses, valid until the next call; false stops the encoding.
    using RowSource = std::function<bool(int first, int count, const uint8_t** rows)>;
    static constexpr int kMaxRows = 16;
    // The same for a picture made a band at a time: width x height B,G,R,X pixels, or grey ones.
    static bool encodeRows(int width, int height, bool grey, const RowSource& source, int quality,
                           const std::vector<uint8_t>& app1, std::vector<uint8_t>& out);
};

}  // namespace platform
