#pragma once
// What the shutter area asks of, and tells, the application delegate. Main thread.
namespace kestrova {

class SnapButtonViewDelegate {
public:
    virtual ~SnapButtonViewDelegate() = default;
    // False while the camera is busy or another control has the screen: no shot, ring or zoom.
    virtual bool snapEnabled() = 0;
    // Every pinch step with the unclamped factor (animate false); the end of a pinch with the
    // final factor, animate true when it had to be clamped.
    virtual void updateZoom(float zoom, bool animate) = 0;
    // A one-finger press that is still eligible was lifted.
    virtual void performCapture() = 0;
    // Never sent by the shutter area; the delegate's own.
    virtual void stopTimer() = 0;
};

}  // namespace kestrova
