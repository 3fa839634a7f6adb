#include "ui/quickview/ThumbnailView.h"

#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/RoundedRect.h"
#include "platform/ui/ViewAnimation.h"
#include "ui/quickview/ThumbnailViewDelegate.h"
#include "ui/quickview/ThumbnailViewManager.h"

#include <cmath>

namespace kestrova {

ThumbnailView::ThumbnailView(const platform::Rect& frame, platform::ImageRef image, ThumbnailViewDelegate* delegate,
                             int32_t index)
    : View(frame), imageIndex_(index), delegate_(delegate) {
    auto ui = std::make_unique<platform::ImageView>(std::move(image));
    ui->setFrame({kImageInset, kImageInset, frame.width() - 2 * kImageInset, frame.height() - 2 * kImageInset});
    ui->setBackgroundColor(platform::Color::black());
    ui_ = static_cast<platform::ImageView*>(addSubview(std::move(ui)));
    setBackgroundColor(std::nullopt);
    setAlpha(1.0f);
    setOpaque(false);
}

void ThumbnailView::setActive(bool active) {
    activeFlag_ = active;
    if (!active) {
        cancelBlowup();
        shrink();
    }
}

void ThumbnailView::cancelBlowup() { blowup_.cancel(); }

bool ThumbnailView::answersTouches() const { return activeFlag_ || (manager_ && manager_->getFanout()); }

platform::Point ThumbnailView::locationOf(const platform::TouchSet& touches) const {
    return touches.empty() ? platform::Point{} : touches.front()->locationInView(superview());
}

void ThumbnailView::drawRect(platform::GraphicsContext& ctx, const platform::Rect&) {
    const platform::Rect r = ui_->frame().insetBy(-kMatOutset, -kMatOutset);
    ctx.saveGState();
    // The platform's default shadow colour: black at one third.
    ctx.setShadow({0, 0}, kShadowBlur, platform::Color::rgba(0, 0, 0, 1.0f / 3));
    ctx.setFillColor(platform::Color::rgba(0.5f, 0.5f, 0.5f, 0.7f));
    platform::addRoundedRect(ctx, r, kMatCornerRadius);
    ctx.fillPath();
    ctx.restoreGState();
}

void ThumbnailView::touchesBegan(const platform::TouchSet& touches, const platform::Event&) {
    if (!answersTouches() || touches.empty()) return;
    touchDownPoint_ = locationOf(touches);
    smallCenterY_ = center().y;
    auto& loop = platform::RunLoop::main();
    blowup_ = loop.performAfter(kBlowupDelay, [this] { blowup(); });
    if (manager_) manager_->setSelectedImage(this);
    downTimeLimit_ = loop.now() + kTapWindow;
    dragging_ = false;
    stopDrag_ = false;
    if (delegate_) {
        delegate_->hideDelete();
        delegate_->moveDeleteToYCoordinate(center().y);
    }
}

void ThumbnailView::touchesMoved(const platform::TouchSet& touches, const platform::Event&) {
    if (!answersTouches() || touches.empty()) return;
    const platform::Rect f = frame();
    const platform::Point p = locationOf(touches);
    const platform::Point c = center();
    const platform::AffineTransform small = manager_ ? manager_->smallTransform() : transform();
    if (std::fabs(p.y - c.y) > f.height() || (!dragging_ && std::fabs(p.y - touchDownPoint_.y) > kVerticalSlack)) {
        // Out of the band: back to small size under the finger, on its own row, and no further.
        cancelBlowup();
        platform::ViewAnimation::beginAnimations("snap");
        platform::ViewAnimation::setAnimationDuration(kSnapDuration);
        platform::ViewAnimation::setAnimationBeginsFromCurrentState(true);
        setTransform(small);
        setCenter({p.x, smallCenterY_});
        platform::ViewAnimation::commitAnimations();
        stopDrag_ = true;
    } else if (stopDrag_) {
        return;
    } else if (dragging_) {
        setCenter({p.x, smallCenterY_});
    } else if (std::fabs(p.x - touchDownPoint_.x) > kDragStartFraction * f.width()) {
        cancelBlowup();
        setTransform(small);
        setCenter({p.x, smallCenterY_});
        downTimeLimit_ = platform::RunLoop::main().now();  // a drag never counts as a tap
        dragging_ = true;
    }
}

void ThumbnailView::touchesEnded(const platform::TouchSet& touches, const platform::Event&) {
    if (!answersTouches() || touches.empty()) return;
    cancelBlowup();
    if (!dragging_ && activeFlag_ && downTimeLimit_ && *downTimeLimit_ > platform::RunLoop::main().now() && manager_)
        manager_->setFanout(!manager_->getFanout());
    testForDelete(locationOf(touches));
    shrink();
    downTimeLimit_.reset();
}

void ThumbnailView::touchesCancelled(const platform::TouchSet&, const platform::Event&) {
    cancelBlowup();
    dragging_ = false;
    stopDrag_ = false;
    shrink();
    downTimeLimit_.reset();
}

void ThumbnailView::testForDelete(platform::Point location) {
    if (dragging_ && std::fabs(location.x - touchDownPoint_.x) > kDeleteDistance && delegate_) delegate_->showDelete();
}

void ThumbnailView::blowup() {
    if (!manager_) return;
    if (auto* host = superview()) host->bringSubviewToFront(this);
    platform::ViewAnimation::beginAnimations("blowup");
    platform::ViewAnimation::setAnimationDuration(kSnapDuration);
    platform::ViewAnimation::setAnimationBeginsFromCurrentState(true);
    setTransform(manager_->fullTransform());
    setCenter(manager_->fullCenter());
    platform::ViewAnimation::commitAnimations();
}

void ThumbnailView::shrink() {
    if (!manager_) return;
    platform::ViewAnimation::beginAnimations("shrink");
    platform::ViewAnimation::setAnimationDuration(kShrinkDuration);
    platform::ViewAnimation::setAnimationBeginsFromCurrentState(true);
    platform::ViewAnimation::setAnimationDelegate(animations_);
    platform::ViewAnimation::setAnimationDidStopCallback([this](const std::string&, bool) {
        if (manager_) manager_->restoreOrder();
    });
    setTransform(manager_->smallTransform());
    setCenter(manager_->smallCenterForPreview(this));
    platform::ViewAnimation::commitAnimations();
}

}  // namespace kestrova
