#include "platform/graphics/BitmapContext.h"

#include "platform/graphics/BoxShrinker.h"
#include "platform/graphics/GrayConverter.h"
#include "platform/graphics/PixelBufferPool.h"

#include <cairo.h>
#include <libyuv/rotate.h>
#include <libyuv/rotate_argb.h>
#include <libyuv/scale.h>
#include <libyuv/scale_argb.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr int kMaxSide = 32767;  // Cairo's and libyuv's limit

// A scratch buffer kept by the context and grown as needed.
struct Scratch {
    std::shared_ptr<uint8_t> data;
    size_t size = 0;
    uint8_t* get(size_t bytes) {
        if (bytes > size) {
            data = PixelBufferPool::acquire(bytes);
            size = data ? bytes : 0;
        }
        return data.get();
    }
};

bool nearInteger(double v, double& out) {
    double r = std::round(v);
    if (std::fabs(v - r) > 1e-3) return false;
    out = r;
    return true;
}

}  // namespace

struct BitmapContext::Impl {
    int width = 0, height = 0, bytesPerRow = 0;
    ColorSpace space = ColorSpace::DeviceRGB;
    BitmapInfo info = BitmapInfo::BGRX;
    std::shared_ptr<uint8_t> pixels;  // the context's own pixels (grey or colour)
    // Colour contexts draw straight into `pixels`; grey ones into this B,G,R,X scratch.
    std::shared_ptr<uint8_t> rgbScratch;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    // Pooled buffers come back with old contents: cleared lazily, unless a draw covers everything.
    bool needsClear = true;
    // Grey contexts: which of the two buffers holds the current picture (both when in step).
    bool grayCurrent = true, rgbCurrent = false;
    // Colour contexts: pixels may have been changed behind Cairo's back.
    bool pixelsTouched = false;
    bool lastDirect = false;
    Scratch scratchA, scratchB;

    bool gray() const { return space == ColorSpace::DeviceGray; }
    size_t byteCount() const { return size_t(bytesPerRow) * size_t(height); }

    ~Impl() {
        if (surface) cairo_surface_destroy(surface);
    }

    void clearIfNeeded() {
        if (!needsClear) return;
        needsClear = false;
        std::memset(pixels.get(), 0, byteCount());
        pixelsTouched = true;
        if (gray()) {
            grayCurrent = true;
            rgbCurrent = false;
        }
    }

    // Makes the grey pixels current (converting from what Cairo drew).
    void syncGray() {
        clearIfNeeded();
        if (!gray() || grayCurrent) return;
        cairo_surface_flush(surface);
        GrayConverter::bgrxToGray(rgbScratch.get(), width * 4, pixels.get(), bytesPerRow, width, height);
        grayCurrent = true;
    }

    // Makes the Cairo surface current before Cairo draws.
    void syncForCairo() {
        clearIfNeeded();
        if (gray()) {
            if (!rgbCurrent) {
                cairo_surface_flush(surface);
                GrayConverter::grayToBGRX(pixels.get(), bytesPerRow, rgbScratch.get(), width * 4, width, height);
                cairo_surface_mark_dirty(surface);
                rgbCurrent = true;
            }
            grayCurrent = false;
        } else if (pixelsTouched) {
            cairo_surface_mark_dirty(surface);
            pixelsTouched = false;
        }
    }
};

std::unique_ptr<BitmapContext> BitmapContext::create(int width, int height, int bitsPerComponent, int bytesPerRow,
                                                     ColorSpace space, BitmapInfo info) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || bitsPerComponent != 8) return nullptr;
    const bool gray = space == ColorSpace::DeviceGray;
    if (gray) {
        if (info != BitmapInfo::None || bytesPerRow < width) return nullptr;
    } else {
        if (info != BitmapInfo::BGRX && info != BitmapInfo::BGRAPremultiplied) return nullptr;
        if (bytesPerRow < width * 4 || bytesPerRow % 4 != 0) return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->width = width;
    impl->height = height;
    impl->bytesPerRow = bytesPerRow;
    impl->space = space;
    impl->info = info;
    impl->pixels = PixelBufferPool::acquire(impl->byteCount());
    if (!impl->pixels) return nullptr;
    cairo_surface_t* s;
    if (gray) {
        impl->rgbScratch = PixelBufferPool::acquire(size_t(width) * 4 * height);
        if (!impl->rgbScratch) return nullptr;
        s = cairo_image_surface_create_for_data(impl->rgbScratch.get(), CAIRO_FORMAT_RGB24, width, height, width * 4);
    } else {
        s = cairo_image_surface_create_for_data(impl->pixels.get(),
                                                info == BitmapInfo::BGRX ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                width, height, bytesPerRow);
    }
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    impl->surface = s;
    impl->cr = cairo_create(s);
    return std::unique_ptr<BitmapContext>(new BitmapContext(std::move(impl)));
}

BitmapContext::BitmapContext(std::unique_ptr<Impl> impl)
    : GraphicsContext(impl->cr, true, float(impl->height)), impl_(std::move(impl)) {}

BitmapContext::~BitmapContext() {
    cairo_destroy(cr_);
    cr_ = nullptr;
}

int BitmapContext::width() const { return impl_->width; }
int BitmapContext::height() const { return impl_->height; }
int BitmapContext::bytesPerRow() const { return impl_->bytesPerRow; }
ColorSpace BitmapContext::colorSpace() const { return impl_->space; }
BitmapInfo BitmapContext::bitmapInfo() const { return impl_->info; }
bool BitmapContext::lastDrawWasDirect() const { return impl_->lastDirect; }

uint8_t* BitmapContext::data() {
    Impl& m = *impl_;
    m.syncGray();
    if (m.gray()) m.rgbCurrent = false;  // the caller may write
    else {
        cairo_surface_flush(m.surface);
        m.pixelsTouched = true;
    }
    return m.pixels.get();
}

ImageRef BitmapContext::makeImage() {
    Impl& m = *impl_;
    m.syncGray();
    if (!m.gray()) cairo_surface_flush(m.surface);
    const size_t n = m.byteCount();
    std::shared_ptr<uint8_t> copy = PixelBufferPool::acquire(n);
    if (!copy) return nullptr;
    std::memcpy(copy.get(), m.pixels.get(), n);
    const int bpp = m.gray() ? 8 : 32;
    return Image::create(m.width, m.height, 8, bpp, m.bytesPerRow, m.space, m.info,
                         std::shared_ptr<const uint8_t>(std::move(copy)), n);
}

void BitmapContext::willDrawWithCairo() {
    impl_->lastDirect = false;
    impl_->syncForCairo();
}

// The axis-aligned case: the image lands on whole device pixels, turned by a multiple of 90°.
bool BitmapContext::drawImageDirect(const Rect& r, const Image& image) {
    Impl& m = *impl_;
    m.lastDirect = false;
    if (!unclipped() || m.info == BitmapInfo::BGRAPremultiplied) return false;
    const bool srcGray = image.bitsPerPixel() == 8 && image.colorSpace() == ColorSpace::DeviceGray;
    const bool srcColor = image.bitsPerPixel() == 32 && image.bitmapInfo() == BitmapInfo::BGRX;
    if (!srcGray && !srcColor) return false;
    if (image.width() > kMaxSide || image.height() > kMaxSide) return false;

    cairo_matrix_t c;
    cairo_get_matrix(cr_, &c);
    // Image pixel (u, v) -> user (x + u w/iw, y + h - v h/ih) -> device through c.
    const double su = double(r.width()) / image.width(), sv = -double(r.height()) / image.height();
    const double m00 = c.xx * su, m10 = c.yx * su, m01 = c.xy * sv, m11 = c.yy * sv;
    const double big = std::max({std::fabs(m00), std::fabs(m10), std::fabs(m01), std::fabs(m11)});
    auto zero = [&](double v) { return std::fabs(v) <= big * 1e-6; };
    libyuv::RotationMode mode;
    if (zero(m01) && zero(m10) && m00 > 0 && m11 > 0) mode = libyuv::kRotate0;
    else if (zero(m01) && zero(m10) && m00 < 0 && m11 < 0) mode = libyuv::kRotate180;
    else if (zero(m00) && zero(m11) && m10 > 0 && m01 < 0) mode = libyuv::kRotate90;  // clockwise on screen
    else if (zero(m00) && zero(m11) && m10 < 0 && m01 > 0) mode = libyuv::kRotate270;
    else return false;  // mirrored or skewed

    // The destination in device pixels must be whole.
    double xs[2] = {r.x(), double(r.x()) + r.width()}, ys[2] = {r.y(), double(r.y()) + r.height()};
    double dx0 = INFINITY, dy0 = INFINITY, dx1 = -INFINITY, dy1 = -INFINITY;
    for (double ux : xs)
        for (double uy : ys) {
            double X = ux, Y = uy;
            cairo_user_to_device(cr_, &X, &Y);
            dx0 = std::min(dx0, X), dx1 = std::max(dx1, X), dy0 = std::min(dy0, Y), dy1 = std::max(dy1, Y);
        }
    if (!nearInteger(dx0, dx0) || !nearInteger(dx1, dx1) || !nearInteger(dy0, dy0) || !nearInteger(dy1, dy1))
        return false;
    if (dx1 - dx0 > kMaxSide || dy1 - dy0 > kMaxSide || std::fabs(dx0) > 1e6 || std::fabs(dy0) > 1e6) return false;
    const int X0 = int(dx0), Y0 = int(dy0), dw = int(dx1 - dx0), dh = int(dy1 - dy0);
    if (dw <= 0 || dh <= 0) return false;
    const int cx0 = std::max(X0, 0), cy0 = std::max(Y0, 0);
    const int cx1 = std::min(X0 + dw, m.width), cy1 = std::min(Y0 + dh, m.height);
    m.lastDirect = true;
    if (cx1 <= cx0 || cy1 <= cy0) return true;  // entirely outside
    const bool clipped = cx0 != X0 || cy0 != Y0 || cx1 != X0 + dw || cy1 != Y0 + dh;

    // Prepare the destination: what is not covered keeps its pixels.
    const bool coversAll = cx0 == 0 && cy0 == 0 && cx1 == m.width && cy1 == m.height;
    if (coversAll && m.needsClear) {
        // The draw fills every pixel but not the row padding, which filters read as well.
        m.needsClear = false;
        const size_t used = size_t(m.width) * (m.gray() ? 1 : 4);
        if (size_t(m.bytesPerRow) > used) {
            for (int y = 0; y < m.height; ++y)
                std::memset(m.pixels.get() + size_t(y) * m.bytesPerRow + used, 0, m.bytesPerRow - used);
        }
    } else if (!coversAll) {
        m.clearIfNeeded();
    }
    if (m.gray()) {
        if (!coversAll) m.syncGray();
        m.grayCurrent = true;
        m.rgbCurrent = false;
    } else {
        cairo_surface_flush(m.surface);
        m.pixelsTouched = true;
    }

    const bool dstGray = m.gray();
    const uint8_t* src = image.data();
    int stride = image.bytesPerRow(), sw = image.width(), sh = image.height();
    bool gray = srcGray;
    const bool shrinking = size_t(dw) * size_t(dh) < size_t(sw) * size_t(sh);

    // Colour into grey: convert at the smaller end (before enlarging, after shrinking).
    const bool convertFirst = dstGray && !gray && !shrinking;
    if (convertFirst || (!dstGray && gray)) {
        if (gray) {
            uint8_t* t = m.scratchA.get(size_t(sw) * 4 * sh);
            if (!t) return false;
            GrayConverter::grayToBGRX(src, stride, t, sw * 4, sw, sh);
            src = t, stride = sw * 4, gray = false;
        } else {
            uint8_t* t = m.scratchA.get(size_t(sw) * sh);
            if (!t) return false;
            GrayConverter::bgrxToGray(src, stride, t, sw, sw, sh);
            src = t, stride = sw, gray = true;
        }
    }
    if (mode != libyuv::kRotate0) {
        const int bpp = gray ? 1 : 4;
        const int rw = (mode == libyuv::kRotate180) ? sw : sh, rh = (mode == libyuv::kRotate180) ? sh : sw;
        uint8_t* t = m.scratchB.get(size_t(rw) * bpp * rh);
        if (!t) return false;
        if (gray) libyuv::RotatePlane(src, stride, t, rw, sw, sh, mode);
        else libyuv::ARGBRotate(src, stride, t, rw * 4, sw, sh, mode);
        src = t, stride = rw * bpp, sw = rw, sh = rh;
    }
    const bool enlarging = dw > sw || dh > sh;
    const auto filter = (dw == sw && dh == sh) ? libyuv::kFilterNone
                        : enlarging             ? libyuv::kFilterBilinear
                                                : libyuv::kFilterBox;
    uint8_t* pixels = m.pixels.get();
    const int bpr = m.bytesPerRow;
    const int cw = cx1 - cx0, ch = cy1 - cy0;
    // libyuv's box is exact only for whole factors; otherwise its colour filter weighs with
    // 127ths and turns white into 253, so other factors are averaged here.
    const bool ownBox = filter == libyuv::kFilterBox && (sw % dw != 0 || sh % dh != 0);

    if (!gray) {
        if (!dstGray) {
            // Straight into the context; the origin may lie outside it, libyuv writes only the clip.
            uint8_t* origin = pixels + (intptr_t(Y0) * bpr + intptr_t(X0) * 4);
            if (ownBox) return BoxShrinker::shrink(src, stride, sw, sh, origin, bpr, dw, dh, cx0 - X0, cy0 - Y0, cw, ch, 4);
            return libyuv::ARGBScaleClip(src, stride, sw, sh, origin, bpr, dw, dh, cx0 - X0, cy0 - Y0, cw, ch, filter) ==
                   0;
        }
        // Colour shrunk into grey: scale the visible part, then take its luma.
        uint8_t* t = m.scratchA.get(size_t(cw) * 4 * ch);
        if (!t) return false;
        uint8_t* origin = t - (intptr_t(cy0 - Y0) * cw * 4 + intptr_t(cx0 - X0) * 4);
        if (ownBox) {
            if (!BoxShrinker::shrink(src, stride, sw, sh, origin, cw * 4, dw, dh, cx0 - X0, cy0 - Y0, cw, ch, 4))
                return false;
        } else if (libyuv::ARGBScaleClip(src, stride, sw, sh, origin, cw * 4, dw, dh, cx0 - X0, cy0 - Y0, cw, ch, filter) != 0)
            return false;
        GrayConverter::bgrxToGray(t, cw * 4, pixels + size_t(cy0) * bpr + cx0, bpr, cw, ch);
        return true;
    }
    // Grey into grey.
    if (ownBox)
        return BoxShrinker::shrink(src, stride, sw, sh, pixels + (intptr_t(Y0) * bpr + intptr_t(X0)), bpr, dw, dh, cx0 - X0,
                                   cy0 - Y0, cw, ch, 1);
    if (!clipped) {
        libyuv::ScalePlane(src, stride, sw, sh, pixels + size_t(cy0) * bpr + cx0, bpr, dw, dh, filter);
        return true;
    }
    uint8_t* t = m.scratchA.data.get() == src ? nullptr : m.scratchA.get(size_t(dw) * dh);
    if (!t) {
        // scratchA holds the source: use a fresh buffer.
        auto tmp = PixelBufferPool::acquire(size_t(dw) * dh);
        if (!tmp) return false;
        libyuv::ScalePlane(src, stride, sw, sh, tmp.get(), dw, dw, dh, filter);
        for (int y = cy0; y < cy1; ++y)
            std::memcpy(pixels + size_t(y) * bpr + cx0, tmp.get() + size_t(y - Y0) * dw + (cx0 - X0), size_t(cw));
        return true;
    }
    libyuv::ScalePlane(src, stride, sw, sh, t, dw, dw, dh, filter);
    for (int y = cy0; y < cy1; ++y)
        std::memcpy(pixels + size_t(y) * bpr + cx0, t + size_t(y - Y0) * dw + (cx0 - X0), size_t(cw));
    return true;
}

}  // namespace platform
