#include "platform/camera/VideoFrameConverter.h"

#include "platform/camera/FramePool.h"
#include "platform/camera/JpegDecoder.h"

#include <libyuv/convert_argb.h>

#include <algorithm>
#include <vector>

namespace platform {
namespace {

ImageRef make(int w, int h, FramePool* pool, const std::function<bool(uint8_t*)>& fill) {
    if (pool) return pool->make(w, h, fill);
    std::vector<uint8_t> out(size_t(w) * h * 4);
    if (!fill(out.data())) return nullptr;
    return Image::createBGRX(w, h, std::move(out));
}

}  // namespace

bool VideoFrameConverter::canConvert(uint32_t pixelFormat) {
    return pixelFormat == kFourccYUYV || pixelFormat == kFourccMJPEG || pixelFormat == kFourccBGR24;
}

ImageRef VideoFrameConverter::toBGRX(const VideoFormat& format, const uint8_t* data, size_t length, FramePool* pool,
                                     const std::function<bool(int, int)>& enough) {
    if (!data || length == 0) return nullptr;
    if (format.pixelFormat == kFourccMJPEG) {
        JpegDecoder::Request request;
        request.enough = enough;
        request.pool = pool;
        return JpegDecoder::decode(data, length, request);
    }
    const int bytesPerPixel = format.pixelFormat == kFourccYUYV ? 2 : format.pixelFormat == kFourccBGR24 ? 3 : 0;
    const int w = format.width, h = format.height;
    if (!bytesPerPixel || w <= 0 || h <= 0) return nullptr;
    if (format.pixelFormat == kFourccYUYV && w % 2 != 0) return nullptr;
    const size_t rowBytes = size_t(w) * bytesPerPixel;
    const size_t stride = std::max<size_t>(size_t(format.bytesPerLine), rowBytes);
    if (length < stride * size_t(h - 1) + rowBytes) return nullptr;
    return make(w, h, pool, [&](uint8_t* out) {
        if (format.pixelFormat == kFourccYUYV) return libyuv::YUY2ToARGB(data, int(stride), out, w * 4, w, h) == 0;
        // libyuv's RGB24 is bytes B,G,R in memory, V4L2's BGR24.
        return libyuv::RGB24ToARGB(data, int(stride), out, w * 4, w, h) == 0;
    });
}

}  // namespace platform
