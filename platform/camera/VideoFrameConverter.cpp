#include "platform/camera/VideoFrameConverter.h"

#include "platform/camera/JpegDecoder.h"

#include <libyuv/convert_argb.h>

#include <algorithm>
#include <vector>

namespace platform {

ImageRef VideoFrameConverter::toBGRX(const VideoFormat& format, const uint8_t* data, size_t length) {
    if (!data || length == 0) return nullptr;
    if (format.pixelFormat == kFourccMJPEG) return JpegDecoder::decode(data, length);
    if (format.pixelFormat != kFourccYUYV) return nullptr;
    const int w = format.width, h = format.height;
    if (w <= 0 || h <= 0 || w % 2 != 0) return nullptr;
    const size_t stride = std::max<size_t>(size_t(format.bytesPerLine), size_t(w) * 2);
    if (length < stride * size_t(h - 1) + size_t(w) * 2) return nullptr;
    std::vector<uint8_t> out(size_t(w) * h * 4);
    if (libyuv::YUY2ToARGB(data, int(stride), out.data(), w * 4, w, h) != 0) return nullptr;
    return Image::createBGRX(w, h, std::move(out));
}

}  // namespace platform
