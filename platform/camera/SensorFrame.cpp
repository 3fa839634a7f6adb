#include "platform/camera/SensorFrame.h"

#include "platform/camera/FramePool.h"
#include "platform/graphics/BoxShrinker.h"

#include <libyuv/rotate_argb.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace platform {
namespace {

bool isBGRX(const Image& im) {
    return im.colorSpace() == ColorSpace::DeviceRGB && im.bitsPerPixel() == 32;
}

libyuv::RotationMode rotationFor(DeviceOrientation orientation) {
    switch (orientation) {
        case DeviceOrientation::LandscapeLeft: return libyuv::kRotate0;
        case DeviceOrientation::LandscapeRight: return libyuv::kRotate180;
        case DeviceOrientation::PortraitUpsideDown: return libyuv::kRotate90;  // clockwise
        default: return libyuv::kRotate270;  // counter-clockwise
    }
}

// Bilinear enlargement with 8-bit weights that sum to 256, so flat areas keep their exact value
// (libyuv's SIMD enlargement weighs with 127ths and darkens white to 253).
void enlarge(const Image& src, uint8_t* dst, int width, int height) {
    const int sw = src.width(), sh = src.height();
    const size_t n = static_cast<size_t>(width);
    std::vector<int> x0(n), x1(n), fx(n);
    for (int x = 0; x < width; ++x) {
        const double s = std::clamp((x + 0.5) * sw / width - 0.5, 0.0, double(sw - 1));
        x0[x] = int(s);
        x1[x] = std::min(x0[x] + 1, sw - 1);
        fx[x] = int(std::lround((s - x0[x]) * 256));
    }
    for (int y = 0; y < height; ++y) {
        const double s = std::clamp((y + 0.5) * sh / height - 0.5, 0.0, double(sh - 1));
        const int y0 = int(s), y1 = std::min(y0 + 1, sh - 1);
        const int fy = int(std::lround((s - y0) * 256));
        const uint8_t* r0 = src.pixel(0, y0);
        const uint8_t* r1 = src.pixel(0, y1);
        uint8_t* d = dst + size_t(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            const uint8_t *a = r0 + x0[x] * 4, *b = r0 + x1[x] * 4, *c = r1 + x0[x] * 4, *e = r1 + x1[x] * 4;
            const int wx = fx[x];
            for (int k = 0; k < 4; ++k) {
                const int top = a[k] * (256 - wx) + b[k] * wx;
                const int bottom = c[k] * (256 - wx) + e[k] * wx;
                d[x * 4 + k] = uint8_t((top * (256 - fy) + bottom * fy + 32768) >> 16);
            }
        }
    }
}

ImageRef makeFrame(int w, int h, FramePool* pool, const std::function<bool(uint8_t*)>& fill) {
    if (pool) return pool->make(w, h, fill);
    std::vector<uint8_t> out(size_t(w) * h * 4);
    if (!fill(out.data())) return nullptr;
    return Image::createBGRX(w, h, std::move(out));
}

}  // namespace

void SensorFrame::uprightSize(int width, int height, DeviceOrientation orientation, int* uprightWidth,
                              int* uprightHeight) {
    if (isLandscape(orientation)) {
        *uprightWidth = width;
        *uprightHeight = height;
    } else {
        *uprightWidth = height;
        *uprightHeight = width;
    }
}

ImageRef SensorFrame::fromUpright(const ImageRef& upright, DeviceOrientation orientation, FramePool* pool) {
    if (!upright || !isBGRX(*upright)) return nullptr;
    if (orientation == DeviceOrientation::LandscapeLeft) return upright;
    const int w = upright->width(), h = upright->height();
    const bool swap = !isLandscape(orientation);
    const int ow = swap ? h : w, oh = swap ? w : h;
    return makeFrame(ow, oh, pool, [&](uint8_t* out) {
        return libyuv::ARGBRotate(upright->data(), upright->bytesPerRow(), out, ow * 4, w, h,
                                  rotationFor(orientation)) == 0;
    });
}

ImageRef SensorFrame::forPortraitScreenFromUpright(const ImageRef& upright, DeviceOrientation orientation,
                                                   FramePool* pool) {
    if (!upright || !isBGRX(*upright)) return nullptr;
    // The sensor's turn followed by the screen's quarter turn clockwise.
    libyuv::RotationMode mode;
    switch (orientation) {
        case DeviceOrientation::LandscapeLeft: mode = libyuv::kRotate90; break;
        case DeviceOrientation::LandscapeRight: mode = libyuv::kRotate270; break;
        case DeviceOrientation::PortraitUpsideDown: mode = libyuv::kRotate180; break;
        default: return upright;
    }
    const int w = upright->width(), h = upright->height();
    const bool swap = mode != libyuv::kRotate180;
    const int ow = swap ? h : w, oh = swap ? w : h;
    return makeFrame(ow, oh, pool, [&](uint8_t* out) {
        return libyuv::ARGBRotate(upright->data(), upright->bytesPerRow(), out, ow * 4, w, h, mode) == 0;
    });
}

Rect SensorFrame::centredCrop(int width, int height, double aspect) {
    if (width <= 0 || height <= 0 || !(aspect > 0)) return {};
    double cw = width, ch = height;
    if (cw / ch > aspect) cw = std::max(1.0, std::round(ch * aspect));
    else ch = std::max(1.0, std::round(cw / aspect));
    const double x = std::floor((width - cw) / 2), y = std::floor((height - ch) / 2);
    return {float(x), float(y), float(cw), float(ch)};
}

ImageRef SensorFrame::scaled(const ImageRef& image, int width, int height, FramePool* pool,
                             std::unique_ptr<BoxShrinker>* shrink) {
    if (!image || !isBGRX(*image) || width <= 0 || height <= 0) return nullptr;
    const int sw = image->width(), sh = image->height();
    if (sw == width && sh == height) return image;
    return makeFrame(width, height, pool, [&](uint8_t* out) {
        // Area averaging: libyuv's box filter darkens (white comes out 253).
        if (width <= sw && height <= sh) {
            if (!shrink)
                return BoxShrinker::shrink(image->data(), image->bytesPerRow(), sw, sh, out, width * 4, width, height,
                                           0, 0, width, height, 4);
            if (!*shrink || !(*shrink)->shrinks(sw, sh, width, height))
                *shrink = BoxShrinker::create(sw, sh, width, height, 4);
            return *shrink && (*shrink)->rows(image->data(), int(image->bytesPerRow()), out, width * 4, 0, height);
        }
        enlarge(*image, out, width, height);
        return true;
    });
}

bool SensorFrame::covers(int width, int height, int frameWidth, int frameHeight) {
    for (const auto& [fw, fh] : {std::pair{frameWidth, frameHeight}, std::pair{frameHeight, frameWidth}}) {
        const Rect c = centredCrop(width, height, double(fw) / fh);
        if (c.size.width < fw || c.size.height < fh) return false;
    }
    return true;
}

ImageRef SensorFrame::fromWorld(const ImageRef& world, int width, int height, DeviceOrientation orientation,
                                FramePool* pool) {
    if (!world || !isBGRX(*world) || width <= 0 || height <= 0) return nullptr;
    int uw = 0, uh = 0;
    uprightSize(width, height, orientation, &uw, &uh);
    ImageRef centre = world->crop(centredCrop(world->width(), world->height(), double(uw) / uh));
    return fromUpright(scaled(centre, uw, uh, pool), orientation, pool);
}

ImageRef SensorFrame::screenFromWorld(const ImageRef& world, int width, int height, DeviceOrientation orientation,
                                      FramePool* pool) {
    if (!world || !isBGRX(*world) || width <= 0 || height <= 0) return nullptr;
    // The sensor frame is the screen frame on its side.
    int uw = 0, uh = 0;
    uprightSize(height, width, orientation, &uw, &uh);
    ImageRef centre = world->crop(centredCrop(world->width(), world->height(), double(uw) / uh));
    return forPortraitScreenFromUpright(scaled(centre, uw, uh, pool), orientation, pool);
}

ImageRef SensorFrame::solid(int width, int height, uint8_t b, uint8_t g, uint8_t r) {
    if (width <= 0 || height <= 0) return nullptr;
    std::vector<uint8_t> px(size_t(width) * height * 4);
    for (size_t i = 0; i < px.size(); i += 4) {
        px[i] = b;
        px[i + 1] = g;
        px[i + 2] = r;
        px[i + 3] = 255;
    }
    return Image::createBGRX(width, height, std::move(px));
}

}  // namespace platform
