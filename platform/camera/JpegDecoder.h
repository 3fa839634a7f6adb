#pragma once
// Decodes JPEG data (files, webcam MJPEG frames) into B,G,R,X pixels. Never exits or throws on
// bad data: a broken stream gives null.
#include "platform/graphics/Image.h"

#include <cstddef>
#include <cstdint>

namespace platform {

class JpegDecoder {
public:
    // Decodes `data`. When `minShortSide` is positive, a large picture is decoded at 1/2, 1/4 or
    // 1/8 of its size as long as its shorter side stays at least that long.
    static ImageRef decode(const uint8_t* data, size_t length, int minShortSide = 0);
    // The EXIF orientation (1..8) in the stream's APP1 block; 1 when there is none.
    static int exifOrientation(const uint8_t* data, size_t length);
};

}  // namespace platform
