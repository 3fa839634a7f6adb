#include "capture/PictureRows.h"

#include "capture/ColorFilters.h"
#include "platform/graphics/ImageScaler.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrova {

using platform::ImageRef;
using platform::ImageScaler;

namespace {
bool keepsOneColour(ColorMode mode) {
    return mode == ColorMode::Red || mode == ColorMode::Green || mode == ColorMode::Blue;
}
// The single-colour filter reaches one row and one pixel beyond a pixel's own row: for a band
// it needs the last pixel two rows above and the first pixel two rows below.
constexpr int kReach = 2;
}  // namespace

bool PictureRows::accepts(const ImageRef& crop, ColorMode colorMode) {
    return crop && ImageScaler::accepts(*crop) && colorMode != ColorMode::Greyscale;
}

PictureRows::PictureRows(ImageRef crop, int width, int height, ColorMode colorMode)
    : crop_(std::move(crop)),
      width_(width),
      height_(height),
      colorMode_(colorMode),
      scaler_(*crop_, width, height),
      direct_(crop_->width() == width && crop_->height() == height) {}

bool PictureRows::source(int first, int count, uint8_t* dst) {
    return scaler_.rows(first, count, dst, width_ * 4);
}

bool PictureRows::rows(int first, int count, const uint8_t** rows) {
    if (first < 0 || count <= 0 || count > kBand || first + count > height_) return false;
    const size_t rowBytes = size_t(width_) * 4;
    if (colorMode_ != ColorMode::Sepia && colorMode_ != ColorMode::Negative && !keepsOneColour(colorMode_)) {
        if (direct_) {
            // The crop is the picture: no copy.
            for (int i = 0; i < count; ++i) rows[i] = crop_->pixel(0, first + i);
            return true;
        }
    }
    if (!band_) {
        band_.reset(new (std::nothrow) uint8_t[rowBytes * kBand]);
        if (!band_) return false;
    }
    uint8_t* band = band_.get();
    const size_t length = rowBytes * size_t(count);
    if (keepsOneColour(colorMode_)) {
        if (!singleColorRows(first, count)) return false;
    } else if (colorMode_ == ColorMode::Sepia || colorMode_ == ColorMode::Negative) {
        auto filter = colorMode_ == ColorMode::Sepia ? ColorFilters::sepia : ColorFilters::inverse;
        if (direct_) {
            for (int i = 0; i < count; ++i) filter(crop_->pixel(0, first + i), band + rowBytes * i, rowBytes);
        } else {
            if (!source(first, count, band)) return false;
            filter(band, band, length);
        }
    } else if (!source(first, count, band)) {
        return false;
    }
    for (int i = 0; i < count; ++i) rows[i] = band + rowBytes * size_t(i);
    return true;
}

bool PictureRows::singleColorRows(int first, int count) {
    const size_t w = size_t(width_), rowBytes = w * 4;
    const uint8_t* window = nullptr;
    size_t base = 0;  // the window's first pixel in the flat picture, at or above the band
    if (direct_ && size_t(crop_->bytesPerRow()) == rowBytes) {
        // The crop is the picture with its rows back to back: read in place, not copied.
        window = crop_->data();
    } else {
        if (!window_) {
            window_.reset(new (std::nothrow) uint8_t[rowBytes * (kBand + 2 * kReach)]);
            if (!window_) return false;
        }
        // Slide the window to [first - 2, first + count + 2), keeping rows it already holds.
        const int need0 = std::max(0, first - kReach), need1 = std::min(height_, first + count + kReach);
        if (need0 < windowFirst_ || need0 > windowEnd_) windowFirst_ = windowEnd_ = need0;
        if (need0 > windowFirst_) {
            std::memmove(window_.get(), window_.get() + rowBytes * size_t(need0 - windowFirst_),
                         rowBytes * size_t(windowEnd_ - need0));
            windowFirst_ = need0;
        }
        if (need1 > windowEnd_) {
            if (!source(windowEnd_, need1 - windowEnd_, window_.get() + rowBytes * size_t(windowEnd_ - windowFirst_)))
                return false;
            windowEnd_ = need1;
        }
        window = window_.get();
        base = size_t(windowFirst_) * w;
    }
    // Pixels [a, b) of the flat picture; the first and last width + 1 pixels are its border.
    const size_t n = w * size_t(height_), a = size_t(first) * w, b = a + size_t(count) * w;
    const size_t lo = std::max(a, w + 1), hi = std::min(b, n >= w + 1 ? n - w - 1 : 0);
    auto in = [&](size_t i) { return window + 4 * (i - base); };
    auto out = [&](size_t i) { return band_.get() + 4 * (i - a); };
    if (lo >= hi) {
        ColorFilters::singleColorBorder(in(a), out(a), b - a);
        return true;
    }
    ColorFilters::singleColorBorder(in(a), out(a), lo - a);
    ColorFilters::singleColorSpan(in(lo), out(lo), hi - lo, w, colorMode_);
    ColorFilters::singleColorBorder(in(hi), out(hi), b - hi);
    return true;
}

}  // namespace kestrova
