#include "platform/camera/CameraView.h"

#include "platform/camera/CameraController.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageBlitter.h"
#include "platform/media/SoundService.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace platform {

CameraView::CameraView(const Rect& frame, CameraController* controller) : View(frame), controller_(controller) {
    setBackgroundColor(Color::black());
    setOpaque(true);
}

CameraView::~CameraView() {
    if (timer_) timer_->invalidate();
}

CameraController& CameraView::controller() const {
    return controller_ ? *controller_ : *CameraController::sharedInstance();
}

void CameraView::playShutterSound() { SoundService::defaultService().playSystemSound(SoundService::kShutter); }

bool CameraView::isRefreshing() const { return timer_ && timer_->isValid(); }

void CameraView::didMoveToWindow() {
    if (window() && !isRefreshing()) {
        // The timer only marks the view dirty: frames are made when the compositor draws.
        timer_ = controller().runLoop().scheduleTimer(
            kRefreshInterval, true, [this](Timer&) {
                if (hidden()) return;
                frameDue_ = true;
                setNeedsLiveUpdate();
            },
            RunLoopMode::Common);
    } else if (!window() && timer_) {
        timer_->invalidate();
        timer_.reset();
    }
}

ImageRef CameraView::uprightFrame() {
    return controller().screenFrame();
}

static_assert(std::endian::native == std::endian::little, "pixels are compared as little-endian words");

// The part of `a` that differs from `b` (same size), in pixels; empty when they are equal.
Rect CameraView::changedPixels(const Image& a, const Image& b) {
    const int w = a.width(), h = a.height();
    const size_t rowBytes = size_t(w) * 4;
    int top = -1, bottom = -1, left = w, right = -1;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = a.pixel(0, y);
        const uint8_t* q = b.pixel(0, y);
        if (std::memcmp(p, q, rowBytes) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        // The fourth byte means nothing: compare colours only.
        auto same = [p, q](int x) {
            uint32_t a, c;
            std::memcpy(&a, p + size_t(x) * 4, 4);
            std::memcpy(&c, q + size_t(x) * 4, 4);
            return ((a ^ c) & 0x00FFFFFFu) == 0;
        };
        int l = 0;
        while (l < w && same(l)) ++l;
        int r = w - 1;
        while (r > l && same(r)) --r;
        left = std::min(left, l);
        right = std::max(right, r);
    }
    if (top < 0 || right < left) return {};
    return {float(left), float(top), float(right - left + 1), float(bottom - top + 1)};
}

Rect CameraView::frameRect(const Image& frame) const {
    // Fill the bounds, keeping the frame's shape; the overflow is cropped.
    const Rect b = bounds();
    const float scale = std::max(b.width() / frame.width(), b.height() / frame.height());
    const float w = frame.width() * scale, h = frame.height() * scale;
    return {b.midX() - w / 2, b.midY() - h / 2, w, h};
}

void CameraView::willBeComposited() {
    if (!frameDue_) return;
    ImageRef next = uprightFrame();
    frameDue_ = false;
    ImageRef shown = std::move(frame_);
    frame_ = next;
    // Only what changed since the frame on show needs drawing again; a camera showing a still
    // scene costs nothing.
    Rect changed = bounds();
    if (next && shown && next->width() == shown->width() && next->height() == shown->height() &&
        next->bitsPerPixel() == 32 && shown->bitsPerPixel() == 32) {
        const Rect px = changedPixels(*next, *shown);
        if (px.isEmpty()) {
            clearNeedsDisplay();
            return;
        }
        const Rect r = frameRect(*next);
        const float sx = r.width() / next->width(), sy = r.height() / next->height();
        // One point more on each side: the scaled picture's pixels do not fall on whole points.
        changed = Rect(r.x() + px.x() * sx - 1, r.y() + px.y() * sy - 1, px.width() * sx + 2, px.height() * sy + 2)
                      .intersection(bounds());
    } else if (!next && !shown) {
        clearNeedsDisplay();
        return;
    }
    clearNeedsDisplay();
    setNeedsDisplayInRect(changed);
}

void CameraView::drawRect(GraphicsContext& context, const Rect&) {
    const Rect b = bounds();
    if (frameDue_ || !frame_) {
        frame_ = uprightFrame();
        frameDue_ = false;
    }
    const ImageRef& frame = frame_;
    if (!frame || b.isEmpty()) {
        context.setFillColor(Color::black());
        context.fillRect(b);
        return;
    }
    const Rect r = frameRect(*frame);
    context.saveGState();
    context.clipToRect(b);
    // Thirty times a second: one nearest-neighbour scale straight into the pixels where the
    // context allows it, which also covers every pixel of the bounds.
    if (!ImageBlitter::drawNearest(context, r, *frame)) {
        context.setFillColor(Color::black());
        context.fillRect(b);
        context.drawImage(r, frame);
    }
    context.restoreGState();
}

}  // namespace platform
