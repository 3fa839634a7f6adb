#include "platform/camera/VideoFrameConverter.h"

#include "platform/camera/FramePool.h"
#include "platform/camera/JpegDecoder.h"

#include <libyuv/convert_argb.h>
#include <libyuv/planar_functions.h>

#include <algorithm>

namespace platform {
namespace {

ImageRef make(int w, int h, FramePool* pool, const std::function<bool(uint8_t*)>& fill) {
    if (pool) return pool->make(w, h, fill);
    std::vector<uint8_t> out(size_t(w) * h * 4);
    if (!fill(out.data())) return nullptr;
    return Image::createBGRX(w, h, std::move(out));
}

// Row bytes and rows of each plane of a w x h frame.
struct PlaneShape {
    size_t rowBytes;
    int rows;
};

std::vector<PlaneShape> shapes(uint32_t pf, int w, int h) {
    const size_t cw = (size_t(w) + 1) / 2;
    const int ch = (h + 1) / 2;
    if (pf == kFourccYUYV) return {{size_t(w) * 2, h}};
    if (pf == kFourccBGR24) return {{size_t(w) * 3, h}};
    if (pf == kFourccBGRX || pf == kFourccRGBX) return {{size_t(w) * 4, h}};
    if (pf == kFourccNV12) return {{size_t(w), h}, {cw * 2, ch}};
    if (pf == kFourccI420) return {{size_t(w), h}, {cw, ch}, {cw, ch}};
    return {};
}

}  // namespace

bool VideoFrameConverter::canConvert(uint32_t pf) {
    return pf == kFourccMJPEG || !shapes(pf, 2, 2).empty();
}

ImageRef VideoFrameConverter::toBGRX(const VideoFormat& format, const uint8_t* data, size_t length, FramePool* pool,
                                     const std::function<bool(int, int)>& enough) {
    return toBGRX(format, std::vector<VideoPlane>{{data, length, format.bytesPerLine}}, pool, enough);
}

ImageRef VideoFrameConverter::toBGRX(const VideoFormat& format, std::vector<VideoPlane> planes, FramePool* pool,
                                     const std::function<bool(int, int)>& enough) {
    if (planes.empty() || !planes[0].data || planes[0].length == 0) return nullptr;
    const uint32_t pf = format.pixelFormat;
    if (pf == kFourccMJPEG) {
        JpegDecoder::Request request;
        request.enough = enough;
        request.pool = pool;
        return JpegDecoder::decode(planes[0].data, planes[0].length, request);
    }
    const int w = format.width, h = format.height;
    if (w <= 0 || h <= 0) return nullptr;
    const auto shape = shapes(pf, w, h);
    if (shape.empty() || planes.size() > shape.size()) return nullptr;
    if (pf == kFourccYUYV && w % 2 != 0) return nullptr;
    // Planes not given separately follow the previous one in its memory.
    while (planes.size() < shape.size()) {
        VideoPlane& last = planes.back();
        const size_t i = planes.size() - 1;
        const size_t stride = std::max<size_t>(size_t(std::max(last.stride, 0)), shape[i].rowBytes);
        const size_t used = stride * size_t(shape[i].rows);
        if (last.length < used) return nullptr;
        const int nextStride = pf == kFourccI420 && i == 0 ? int((stride + 1) / 2) : int(stride);
        VideoPlane next{last.data + used, last.length - used, nextStride};
        last.length = used;
        planes.push_back(next);
    }
    int strides[3] = {};
    for (size_t i = 0; i < shape.size(); ++i) {
        const size_t stride = std::max<size_t>(size_t(std::max(planes[i].stride, 0)), shape[i].rowBytes);
        if (!planes[i].data || planes[i].length < stride * size_t(shape[i].rows - 1) + shape[i].rowBytes) return nullptr;
        strides[i] = int(stride);
    }
    const uint8_t *p0 = planes[0].data, *p1 = planes.size() > 1 ? planes[1].data : nullptr,
                  *p2 = planes.size() > 2 ? planes[2].data : nullptr;
    return make(w, h, pool, [&](uint8_t* out) {
        const int os = w * 4;
        if (pf == kFourccYUYV) return libyuv::YUY2ToARGB(p0, strides[0], out, os, w, h) == 0;
        if (pf == kFourccNV12) return libyuv::NV12ToARGB(p0, strides[0], p1, strides[1], out, os, w, h) == 0;
        if (pf == kFourccI420)
            return libyuv::I420ToARGB(p0, strides[0], p1, strides[1], p2, strides[2], out, os, w, h) == 0;
        if (pf == kFourccRGBX || pf == kFourccBGRX) {
            // libyuv's ABGR is bytes R,G,B,A in memory. The X bytes are the sender's: made opaque.
            const int r = pf == kFourccRGBX ? libyuv::ABGRToARGB(p0, strides[0], out, os, w, h)
                                            : libyuv::ARGBCopy(p0, strides[0], out, os, w, h);
            for (size_t i = 3, n = size_t(os) * h; i < n; i += 4) out[i] = 0xff;
            return r == 0;
        }
        // libyuv's RGB24 is bytes B,G,R in memory, V4L2's BGR24.
        return libyuv::RGB24ToARGB(p0, strides[0], out, os, w, h) == 0;
    });
}

}  // namespace platform
