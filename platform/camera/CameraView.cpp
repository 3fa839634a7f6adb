#include "platform/camera/CameraView.h"

#include "platform/camera/CameraController.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageBlitter.h"
#include "platform/media/SoundService.h"

#include <algorithm>

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
                setNeedsDisplay();
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
    // Fill the bounds, keeping the frame's shape; the overflow is cropped.
    const float scale = std::max(b.width() / frame->width(), b.height() / frame->height());
    const float w = frame->width() * scale, h = frame->height() * scale;
    const Rect r{b.midX() - w / 2, b.midY() - h / 2, w, h};
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
