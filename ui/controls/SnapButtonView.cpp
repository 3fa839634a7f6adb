#include "ui/controls/SnapButtonView.h"

#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/Event.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewAnimation.h"
#include "ui/controls/SnapButtonViewDelegate.h"

#include <cmath>
#include <cstdio>

namespace kestrova {

using platform::Color;
using platform::Event;
using platform::Point;
using platform::Rect;
using platform::TouchSet;

namespace {
constexpr float kFullCircle = 6.2831855f;
}  // namespace

SnapButtonView::SnapButtonView(const Rect& frame) : Button(frame, platform::ButtonType::Custom) {
    setMultipleTouchEnabled(true);
}

SnapButtonView::~SnapButtonView() = default;

void SnapButtonView::awakeFromNib() {
    snapEnabled_ = true;
    setBackgroundColor(Color::white(0.5f, 0.5f));
    lastZoom_ = 1.0f;
    zoomEnabled_ = true;
    if (!zoomLabel_) {
        auto label = std::make_unique<platform::Label>(kZoomLabelFrame);
        label->setTextColor(Color::white(1.0f));
        label->setFont(platform::Font::system(38));
        label->setBackgroundColor(Color::white(0.0f, 0.0f));
        label->setHighlighted(true);
        label->setAlpha(0.0f);
        label->setShadowOffset({-3.0f, -2.0f});
        label->setShadowColor(Color::white(0.0f, 0.8f));
        zoomLabel_ = label.get();
        updateZoomText(lastZoom_);
        addSubview(std::move(label));
    } else {
        updateZoomText(lastZoom_);
    }
    touchRingRadius_ = 35;
}

bool SnapButtonView::setOutlet(std::string_view name, platform::Object* object) {
    if (name == "delegate") {
        delegate_ = dynamic_cast<SnapButtonViewDelegate*>(object);
        return true;
    }
    return Button::setOutlet(name, object);
}

void SnapButtonView::setTouchRingSize(TouchRingSize size) {
    touchRingRadius_ = size == TouchRingSize::Medium ? 50 : size == TouchRingSize::Large ? 65 : 35;
}

TouchRingSize SnapButtonView::touchRingSize() const { return TouchRingSize((touchRingRadius_ - 35) / 15); }

void SnapButtonView::shortenView() { setFrame(kShortFrame); }
void SnapButtonView::lengthenView() { setFrame(kLongFrame); }

void SnapButtonView::showTouchRing() {
    touchRing_ = true;
    setNeedsDisplay();
}

void SnapButtonView::hideTouchRing() {
    if (!touchRing_) return;
    touchRing_ = false;
    setNeedsDisplay();
}

void SnapButtonView::cancelDelayedPerforms() { touchRingShows_.cancelAll(); }

bool SnapButtonView::delegateAllowsSnap() const { return delegate_ && delegate_->snapEnabled(); }

void SnapButtonView::updateZoomText(float zoom) {
    if (!zoomLabel_) return;
    char text[64];
    std::snprintf(text, sizeof text, "x %.2f", double(zoom));
    zoomLabel_->setText(text);
    setNeedsDisplayInRect(zoomLabel_->frame());
}

void SnapButtonView::setShowZoomLabel(bool show) {
    if (!zoomLabel_) return;
    if (show) {
        bringSubviewToFront(zoomLabel_);
        zoomLabel_->setAlpha(1.0f);
        return;
    }
    platform::ViewAnimation::beginAnimations();
    platform::ViewAnimation::setAnimationDelay(kZoomLabelFadeDelay);
    platform::ViewAnimation::setAnimationDuration(kZoomLabelFadeDuration);
    zoomLabel_->setAlpha(0.0f);
    platform::ViewAnimation::commitAnimations();
}

float SnapButtonView::calculateDistanceFromPoint(Point p1, Point p2) {
    const float dx = p1.x - p2.x;
    const float dy = p1.y - p2.y;
    const double sum = double(dx) * double(dx) + double(dy) * double(dy);
    return float(std::sqrt(sum));
}

float SnapButtonView::calculateChangeSpeed(float zoom) {
    const double z = zoom;
    return float((z - 0.75) * -0.2 * (z - 3.25));
}

bool SnapButtonView::firstTwoLocations(const Event& event, Point& p1, Point& p2) const {
    const TouchSet& all = event.allTouches();
    if (all.size() < 2 || !all[0] || !all[1]) return false;
    p1 = all[0]->locationInView(this);
    p2 = all[1]->locationInView(this);
    return true;
}

void SnapButtonView::endZoom() {
    if (!delegateAllowsSnap() || !zoomEnabled_) return;
    const float z = lastZoom_;
    if (z < kMinZoom) {
        delegate_->updateZoom(kMinZoom, true);
        lastZoom_ = kMinZoom;
    } else if (z > kMaxZoom) {
        delegate_->updateZoom(kMaxZoom, true);
        lastZoom_ = kMaxZoom;
    } else {
        delegate_->updateZoom(z, false);
    }
    updateZoomText(lastZoom_);
    setShowZoomLabel(false);
    zoomStarted_ = false;
}

void SnapButtonView::touchesBegan(const TouchSet& touches, const Event& event) {
    const size_t n = event.allTouches().size();
    if (n == 1) {
        if (!touches.empty()) touchDownPoint_ = touches.front()->locationInView(this);
        if (delegateAllowsSnap()) {
            willSnap_ = true;
            if (platform::RunLoop* loop = platform::RunLoop::mainIfAny())
                touchRingShows_.add(loop->performAfter(kTouchRingDelay, [this] { showTouchRing(); }));
        }
    } else if (n == 2) {
        snapEnabled_ = false;
        cancelDelayedPerforms();
        hideTouchRing();
        Point p1, p2;
        if (!firstTwoLocations(event, p1, p2)) return;
        if (delegateAllowsSnap() && zoomEnabled_) {
            zoomStarted_ = true;
            lastSeparation_ = calculateDistanceFromPoint(p1, p2);
            setShowZoomLabel(true);
            updateZoomText(lastZoom_);
        }
    } else if (n > 2) {
        snapEnabled_ = false;
        endZoom();
        cancelDelayedPerforms();
    }
}

void SnapButtonView::touchesMoved(const TouchSet& touches, const Event& event) {
    const size_t n = event.allTouches().size();
    if (n == 1) {
        if (!delegateAllowsSnap() || touches.empty()) return;
        const Point d = touches.front()->locationInView(this);
        const float dx = d.x - touchDownPoint_.x;
        const float dy = d.y - touchDownPoint_.y;
        // The square is taken in integers before it is compared as a float.
        const float limit = float(touchRingRadius_ * touchRingRadius_);
        if (dx * dx + dy * dy > limit) {
            willSnap_ = false;
            cancelDelayedPerforms();
            hideTouchRing();
        }
    } else if (n == 2) {
        hideTouchRing();
        Point p1, p2;
        if (!firstTwoLocations(event, p1, p2)) return;
        if (!delegateAllowsSnap() || !zoomEnabled_ || !zoomStarted_) return;
        const float s = std::fabs(std::trunc(calculateDistanceFromPoint(p1, p2)));
        const float k = calculateChangeSpeed(lastZoom_);
        const float delta = float((s - lastSeparation_) / double(kPinchDivisor));
        lastSeparation_ = s;
        lastZoom_ = lastZoom_ + k * delta;
        delegate_->updateZoom(lastZoom_, false);
        updateZoomText(lastZoom_);
    } else if (n > 2) {
        hideTouchRing();
        endZoom();
    }
}

void SnapButtonView::touchesEnded(const TouchSet& touches, const Event& event) {
    const size_t n = event.allTouches().size();
    if (n == 1) {
        cancelDelayedPerforms();
        hideTouchRing();
        if (!snapEnabled_) {
            // The last finger of a pinch re-arms the button and takes no picture.
            snapEnabled_ = true;
            return;
        }
        if (delegateAllowsSnap() && willSnap_) delegate_->performCapture();
    } else if (n == 2) {
        endZoom();
    }
}

void SnapButtonView::touchesCancelled(const TouchSet& touches, const Event& event) {
    cancelDelayedPerforms();
    hideTouchRing();
    willSnap_ = false;
    if (zoomStarted_) endZoom();
    // Back to idle once no finger stays on the screen.
    bool anyLeft = false;
    for (const platform::Touch* t : event.allTouches())
        if (t->phase() != platform::TouchPhase::Ended && t->phase() != platform::TouchPhase::Cancelled) anyLeft = true;
    if (!anyLeft) snapEnabled_ = true;
}

void SnapButtonView::drawRect(platform::GraphicsContext& context, const Rect& rect) {
    context.clearRect(rect);
    if (!touchRing_) return;
    context.setFillColor(kTouchRingColor);
    context.setStrokeColor(kTouchRingColor);
    context.setLineWidth(2.0f);
    context.beginPath();
    context.addArc(touchDownPoint_.x, touchDownPoint_.y, float(touchRingRadius_), 0.0f, kFullCircle, true);
    context.drawPath(platform::PathDrawingMode::Fill);
}

}  // namespace kestrova
