#pragma once
// The shutter area over the upper part of the preview. A short one-finger press shoots when it
// is lifted; a finger that slides further than the touch-ring radius abandons the press; two
// fingers pinch a zoom factor, brought back into 1.0..3.0 when the pinch ends. A finger resting
// half a second gets a translucent disc (the touch ring) showing how far it may slide.
//
// Fingers are counted over the whole event: a finger resting anywhere on the screen counts.
#include "platform/foundation/Geometry.h"
#include "platform/foundation/TimerGroup.h"
#include "platform/ui/Button.h"
#include "ui/controls/TouchRingSize.h"

#include <cstdint>
#include <string>

namespace platform {
class Label;
}

namespace kestrova {

class SnapButtonViewDelegate;

class SnapButtonView : public platform::Button {
public:
    static constexpr platform::Seconds kTouchRingDelay{0.5};
    static constexpr float kPinchDivisor = 50.0f;
    static constexpr float kMinZoom = 1.0f;
    static constexpr float kMaxZoom = 3.0f;
    static constexpr double kZoomLabelFadeDelay = 0.5;
    static constexpr double kZoomLabelFadeDuration = 0.2;
    static constexpr platform::Color kTouchRingColor = platform::Color::rgba(0.0f, 0.68f, 0.94f, 0.2f);
    static constexpr platform::Rect kZoomLabelFrame{110, 60, 120, 40};
    static constexpr platform::Rect kShortFrame{0, 0, 320, 340};
    static constexpr platform::Rect kLongFrame{0, 0, 320, 427};

    explicit SnapButtonView(const platform::Rect& frame = {});
    ~SnapButtonView() override;

    // May be null; not owned.
    SnapButtonViewDelegate* delegate() const { return delegate_; }
    void setDelegate(SnapButtonViewDelegate* delegate) { delegate_ = delegate; }

    // Small, medium, large give radius 35, 50, 65; anything else 35.
    void setTouchRingSize(TouchRingSize size);
    // The size of the current radius.
    TouchRingSize touchRingSize() const;
    int32_t touchRingRadius() const { return touchRingRadius_; }
    void setZoomEnabled(bool enabled) { zoomEnabled_ = enabled; }
    bool zoomEnabled() const { return zoomEnabled_; }
    // The current factor; during a pinch it may lie outside 1.0..3.0.
    float zoom() const { return lastZoom_; }

    // Frames for the options bar shown and hidden.
    void shortenView();
    void lengthenView();

    void showTouchRing();
    // Ends a pinch: clamps the factor and fades the label out. Does nothing at all while the
    // delegate refuses shooting or zoom is disabled.
    void endZoom();
    void updateZoomText(float zoom);
    // True shows the label at once; false fades it out after a delay.
    void setShowZoomLabel(bool show);

    static float calculateDistanceFromPoint(platform::Point p1, platform::Point p2);
    // k(z) = -0.2 (z - 0.75)(z - 3.25): fastest mid-range, zero at 0.75 and 3.25.
    static float calculateChangeSpeed(float zoom);

    void awakeFromNib() override;
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;
    void touchesBegan(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesMoved(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesEnded(const platform::TouchSet& touches, const platform::Event& event) override;
    // An interrupted touch leaves the button idle: no ring and no shot.
    void touchesCancelled(const platform::TouchSet& touches, const platform::Event& event) override;
    bool setOutlet(std::string_view name, platform::Object* object) override;

private:
    // Tests read the touch state through it (tests/ui/controls).
    friend class SnapButtonViewTestApi;

    bool delegateAllowsSnap() const;
    void hideTouchRing();
    void cancelDelayedPerforms();
    // The first two touches of the event in the button's space; false when there are fewer.
    bool firstTwoLocations(const platform::Event& event, platform::Point& p1, platform::Point& p2) const;

    SnapButtonViewDelegate* delegate_ = nullptr;  // may be null
    platform::Point touchDownPoint_;
    bool snapEnabled_ = true;
    float lastSeparation_ = 0;
    float lastZoom_ = 1.0f;
    bool zoomEnabled_ = true;
    platform::Label* zoomLabel_ = nullptr;  // owned by the subviews
    bool willSnap_ = false;
    bool touchRing_ = false;
    int32_t touchRingRadius_ = 35;
    bool zoomStarted_ = false;
    platform::TimerGroup touchRingShows_;  // the ring a resting finger asks for
};

}  // namespace kestrova
