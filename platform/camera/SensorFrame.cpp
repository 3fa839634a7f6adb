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
    if (image->width() == width && image->height() == height) return image;
    std::vector<uint8_t> out(size_t(width) * height * 4);
    libyuv::ARGBScale(image->data(), image->bytesPerRow(), image->width(), image->height(), out.data(), width * 4,
                      width, height, libyuv::kFilterBox);
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
