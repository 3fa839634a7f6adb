#include "platform/camera/SensorFrame.h"

#include <libyuv/rotate_argb.h>
#include <libyuv/scale_argb.h>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

bool isBGRX(const Image& im) {
    return im.colorSpace() == ColorSpace::DeviceRGB && im.bitsPerPixel() == 32;
}

libyuv::RotationMode rotationFor(int orientation) {
    switch (orientation) {
        case 3: return libyuv::kRotate0;
        case 4: return libyuv::kRotate180;
        case 2: return libyuv::kRotate90;   // clockwise
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

}  // namespace

void SensorFrame::uprightSize(int width, int height, int orientation, int* uprightWidth, int* uprightHeight) {
    if (isLandscape(orientation)) {
        *uprightWidth = width;
        *uprightHeight = height;
    } else {
        *uprightWidth = height;
        *uprightHeight = width;
    }
}

ImageRef SensorFrame::fromUpright(const ImageRef& upright, int orientation) {
    if (!upright || !isBGRX(*upright)) return nullptr;
    if (orientation == 3) return upright;
    const int w = upright->width(), h = upright->height();
    const bool swap = !isLandscape(orientation);
    const int ow = swap ? h : w, oh = swap ? w : h;
    std::vector<uint8_t> out(size_t(ow) * oh * 4);
    libyuv::ARGBRotate(upright->data(), upright->bytesPerRow(), out.data(), ow * 4, w, h, rotationFor(orientation));
    return Image::createBGRX(ow, oh, std::move(out));
}

ImageRef SensorFrame::forPortraitScreenFromUpright(const ImageRef& upright, int orientation) {
    if (!upright || !isBGRX(*upright)) return nullptr;
    // The sensor's turn followed by the screen's quarter turn clockwise.
    libyuv::RotationMode mode;
    switch (orientation) {
        case 3: mode = libyuv::kRotate90; break;
        case 4: mode = libyuv::kRotate270; break;
        case 2: mode = libyuv::kRotate180; break;
        default: return upright;
    }
    const int w = upright->width(), h = upright->height();
    const bool swap = mode != libyuv::kRotate180;
    const int ow = swap ? h : w, oh = swap ? w : h;
    std::vector<uint8_t> out(size_t(ow) * oh * 4);
    libyuv::ARGBRotate(upright->data(), upright->bytesPerRow(), out.data(), ow * 4, w, h, mode);
    return Image::createBGRX(ow, oh, std::move(out));
}

Rect SensorFrame::centredCrop(int width, int height, double aspect) {
    if (width <= 0 || height <= 0 || !(aspect > 0)) return {};
    double cw = width, ch = height;
    if (cw / ch > aspect) cw = std::max(1.0, std::round(ch * aspect));
    else ch = std::max(1.0, std::round(cw / aspect));
    const double x = std::floor((width - cw) / 2), y = std::floor((height - ch) / 2);
    return {float(x), float(y), float(cw), float(ch)};
}

ImageRef SensorFrame::scaled(const ImageRef& image, int width, int height) {
    if (!image || !isBGRX(*image) || width <= 0 || height <= 0) return nullptr;
    const int sw = image->width(), sh = image->height();
    if (sw == width && sh == height) return image;
    std::vector<uint8_t> out(size_t(width) * height * 4);
    if (width <= sw && height <= sh) {
        libyuv::ARGBScale(image->data(), image->bytesPerRow(), sw, sh, out.data(), width * 4, width, height,
                          libyuv::kFilterBox);
    } else {
        enlarge(*image, out.data(), width, height);
    }
    return Image::createBGRX(width, height, std::move(out));
}

ImageRef SensorFrame::fromWorld(const ImageRef& world, int width, int height, int orientation) {
    if (!world || !isBGRX(*world) || width <= 0 || height <= 0) return nullptr;
    int uw = 0, uh = 0;
    uprightSize(width, height, orientation, &uw, &uh);
    ImageRef centre = world->crop(centredCrop(world->width(), world->height(), double(uw) / uh));
    return fromUpright(scaled(centre, uw, uh), orientation);
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
