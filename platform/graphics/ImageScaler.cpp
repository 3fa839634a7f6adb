#include "platform/graphics/ImageScaler.h"

#include "platform/graphics/BoxShrinker.h"

#include <libyuv/scale_argb.h>

#include <cstring>

namespace platform {

bool ImageScaler::accepts(const Image& image) {
    return image.bitsPerPixel() == 32 && image.bitmapInfo() == BitmapInfo::BGRX &&
           image.colorSpace() == ColorSpace::DeviceRGB && image.data();
}

bool ImageScaler::scaleRows(const Image& src, int dw, int dh, int firstRow, int rowCount, uint8_t* dst,
                            int dstStride) {
    return ImageScaler(src, dw, dh).rows(firstRow, rowCount, dst, dstStride);
}

ImageScaler::ImageScaler(const Image& src, int dw, int dh) : src_(src), dw_(dw), dh_(dh) {}
ImageScaler::~ImageScaler() = default;

bool ImageScaler::rows(int firstRow, int rowCount, uint8_t* dst, int dstStride) {
    const Image& src = src_;
    const int dw = dw_, dh = dh_;
    if (!accepts(src) || !dst || dw <= 0 || dh <= 0 || firstRow < 0 || rowCount <= 0 || firstRow + rowCount > dh ||
        dstStride < dw * 4 || dw > 32767 || dh > 32767)
        return false;
    const int sw = src.width(), sh = src.height(), stride = src.bytesPerRow();
    if (dw == sw && dh == sh) {
        for (int y = 0; y < rowCount; ++y)
            std::memcpy(dst + size_t(y) * dstStride, src.pixel(0, firstRow + y), size_t(sw) * 4);
        return true;
    }
    // The choice BitmapContext makes for an upright draw.
    const bool enlarging = dw > sw || dh > sh;
    const auto filter = enlarging ? libyuv::kFilterBilinear : libyuv::kFilterBox;
    // The scalers take the picture's top-left corner and write only the clip rows; the corner is
    // handed over as an address firstRow rows before `dst`, never written through.
    uint8_t* origin = reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(dst) - uintptr_t(firstRow) * dstStride);
    if (filter == libyuv::kFilterBox && (sw % dw != 0 || sh % dh != 0)) {
        if (!box_) box_ = BoxShrinker::create(sw, sh, dw, dh, 4);
        return box_ && box_->rows(src.data(), stride, origin, dstStride, firstRow, rowCount);
    }
    return libyuv::ARGBScaleClip(src.data(), stride, sw, sh, origin, dstStride, dw, dh, 0, firstRow, dw, rowCount,
                                 filter) == 0;
}

}  // namespace platform
