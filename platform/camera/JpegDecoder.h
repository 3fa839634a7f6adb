#pragma once
// Decodes JPEG data (files, webcam MJPEG frames) into B,G,R,X pixels. Never exits or throws on
// bad data: a broken stream gives null. A stream that ends before its picture does (a webcam
// frame cut short) counts as broken; bytes after the picture's end do not. CMYK and YCCK pictures
// are turned into colour. A progressive picture may not have more than kMaxScans scans, nor make
// the decoder visit its coefficient blocks more than kMaxBlockPasses times over: a stream built
// to repeat its scans costs no more than a few real photos.
#include "platform/graphics/Image.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

class FramePool;

class JpegDecoder {
public:
    enum class Status { Ok, Broken, Truncated, TooLarge, TooMuchWork };

    static constexpr int kMaxScans = 100;
    static constexpr int kMaxBlockPasses = 20;  // a usual progressive photo makes about five

    struct Request {
        // Decodes at the smallest of libjpeg's scales (1/8 … 8/8) whose size this accepts; at full
        // size when it accepts none or is empty.
        std::function<bool(int width, int height)> enough;
        // Refuses a picture with more pixels than this at the chosen scale, before decoding.
        uint64_t maxPixels = uint64_t(1) << 27;
        // Where the pixels go; null: a fresh buffer.
        FramePool* pool = nullptr;
    };

    static ImageRef decode(const uint8_t* data, size_t length, const Request& request, Status* status = nullptr);
    static ImageRef decode(const uint8_t* data, size_t length) { return decode(data, length, Request{}); }
    // The EXIF orientation (1..8) in the stream's APP1 block; 1 when there is none.
    static int exifOrientation(const uint8_t* data, size_t length);
};

}  // namespace platform
