#include "platform/cameraui/CameraView.h"

#include "platform/camera/CameraController.h"
#include "platform/camera/CameraSource.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageBlitter.h"
#include "platform/ui/LiveTarget.h"
#include "platform/ui/Window.h"
#include "platform/media/SoundService.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace platform {

CameraView::CameraView(const Rect& frame, CameraController* controller) : View(frame), controller_(controller) {
    setBackgroundColor(Color::black());
    setOpaque(true);
}

CameraView::~CameraView() = default;

CameraController& CameraView::controller() const {
    return controller_ ? *controller_ : *CameraController::sharedInstance();
}

void CameraView::playShutterSound() { SoundService::defaultService().playSystemSound(SoundService::kShutter); }

bool CameraView::isRefreshing() const { return timer_.isActive(); }

void CameraView::didMoveToWindow() {
    if (window() && !isRefreshing()) {
        // The timer only marks the view dirty: frames are made when the compositor draws.
        timer_ = controller().runLoop().scheduleRepeating(
            kRefreshInterval, [this](Timer&) {
                if (hidden()) return;
                frameDue_ = true;
                setNeedsLiveUpdate();
            },
            RunLoopMode::Common);
    } else if (!window()) {
        timer_.cancel();
    }
}

ImageRef CameraView::uprightFrame() {
    const Size px = framePixels();
    return controller().screenFrame(int(px.width), int(px.height));
}

Size CameraView::framePixels() const {
    // Upright, the preview frame is as wide as the sensor's is high.
    const float w = CameraSource::kPreviewHeight, h = CameraSource::kPreviewWidth;
    if (!window() || bounds().isEmpty()) return {w, h};
    const Rect r = frameRect(w, h);
    const double scale = window()->scale();
    const AffineTransform t = transform();
    const double magnified = scale * std::max(1.0, double(std::min(std::abs(t.a), std::abs(t.d))));
    // The full frame turned upright is as wide as the sensor's is high.
    const double fullDetail = CameraSource::kPictureHeight / r.width();
    double perPoint = std::max(scale, std::min(magnified, fullDetail));
    // Up to two pixels a point the preview frame does, as on the phone's own screen, at its cost.
    if (perPoint <= kPreviewFrameUpTo) return {w, h};
    perPoint = std::min(perPoint, std::sqrt(kMaxFramePixels / (double(r.width()) * r.height())));
    return {std::max(1.0f, std::round(float(r.width() * perPoint))), std::max(1.0f, std::round(float(r.height() * perPoint)))};
}

static_assert(std::endian::native == std::endian::little, "pixels are compared as little-endian words");

Rect CameraView::changedPixels(const Image& a, const Image& b) {
    return changedPixels(a, b, {Rect(0, 0, float(a.width()), float(a.height()))});
}

Rect CameraView::changedPixels(const Image& a, const Image& b, const std::vector<Rect>& within) {
    const int w = a.width(), h = a.height();
    int top = h, bottom = -1, left = w, right = -1;
    for (const Rect& area : within) {
        const int x0 = std::max(0, int(area.x())), x1 = std::min(w, int(area.maxX()));
        const int y0 = std::max(0, int(area.y())), y1 = std::min(h, int(area.maxY()));
        if (x1 <= x0) continue;
        for (int y = y0; y < y1; ++y) {
            const uint8_t* p = a.pixel(x0, y);
            const uint8_t* q = b.pixel(x0, y);
            const size_t bytes = size_t(x1 - x0) * 4;
            if (std::memcmp(p, q, bytes) == 0) continue;
            // The fourth byte means nothing: compare colours only.
            auto same = [p, q](int x) {
                uint32_t c, d;
                std::memcpy(&c, p + size_t(x) * 4, 4);
                std::memcpy(&d, q + size_t(x) * 4, 4);
                return ((c ^ d) & 0x00FFFFFFu) == 0;
            };
            const int n = x1 - x0;
            int l = 0;
            while (l < n && same(l)) ++l;
            if (l == n) continue;
            int r = n - 1;
            while (r > l && same(r)) --r;
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            left = std::min(left, x0 + l);
            right = std::max(right, x0 + r);
        }
    }
    if (bottom < 0) return {};
    return {float(left), float(top), float(right - left + 1), float(bottom - top + 1)};
}

Rect CameraView::frameRect(float width, float height) const {
    // Fill the bounds, keeping the frame's shape; the overflow is cropped.
    const Rect b = bounds();
    const float scale = std::max(b.width() / width, b.height() / height);
    const float w = width * scale, h = height * scale;
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
        // The source may know where its frames can differ; otherwise they are compared whole.
        std::vector<Rect> candidates;
        const Rect px = controller().screenFrameChanges(*shown, *next, &candidates)
                            ? changedPixels(*next, *shown, candidates)
                            : changedPixels(*next, *shown);
        if (px.isEmpty()) {
            clearNeedsDisplay();
            return;
        }
        const Rect r = frameRect(float(next->width()), float(next->height()));
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

const ImageRef& CameraView::frameToDraw() {
    if (frameDue_ || !frame_) {
        frame_ = uprightFrame();
        frameDue_ = false;
    }
    return frame_;
}

bool CameraView::drawLiveInto(const LiveTarget& target) {
    const ImageRef& frame = frameToDraw();
    if (!frame || bounds().isEmpty()) return false;  // black, through drawRect
    const Rect r = frameRect(float(frame->width()), float(frame->height()));
    // The same device pixels, computed the same way, as the context's matrix would give.
    const auto to = PixelBox::onWholePixels(
        target.scaleX * r.minX() + target.originX, target.scaleY * r.minY() + target.originY,
        target.scaleX * r.maxX() + target.originX, target.scaleY * r.maxY() + target.originY);
    if (!to) return false;
    return ImageBlitter::drawNearest(target.rows, *to, target.clip, *frame);
}

void CameraView::drawRect(GraphicsContext& context, const Rect&) {
    const Rect b = bounds();
    const ImageRef& frame = frameToDraw();
    if (!frame || b.isEmpty()) {
        context.setFillColor(Color::black());
        context.fillRect(b);
        return;
    }
    const Rect r = frameRect(float(frame->width()), float(frame->height()));
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
