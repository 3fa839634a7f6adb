#pragma once
// One finger on the screen. A touch sticks to the view it first hit for its whole life; the
// window updates it in place, so handlers may keep the pointer until the touch ends.
#include "platform/foundation/Geometry.h"

#include <vector>

namespace platform {

class View;
class Window;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

class Touch {
public:
    Touch(int fingerId, Window* window, View* view, Point windowLocation, double timestamp, int tapCount);

    int fingerId() const { return fingerId_; }
    TouchPhase phase() const { return phase_; }
    double timestamp() const { return timestamp_; }
    int tapCount() const { return tapCount_; }
    // The view the touch first hit; null when it hit nothing (or that view has gone).
    View* view() const { return view_; }
    Window* window() const { return window_; }

    // Where the finger is, in `view`'s coordinates (null: the window's).
    Point locationInView(const View* view) const;
    // Where the finger was at the previous event.
    Point previousLocationInView(const View* view) const;
    Point windowLocation() const { return location_; }

    // --- For the window ---
    void update(TouchPhase phase, Point windowLocation, double timestamp);
    void setPhase(TouchPhase phase) { phase_ = phase; }
    void detachView() { view_ = nullptr; }

private:
    int fingerId_;
    Window* window_;
    View* view_;
    Point location_;
    Point previous_;
    double timestamp_;
    int tapCount_;
    TouchPhase phase_ = TouchPhase::Began;
};

// Touches in a stable order: the order in which the fingers came down.
using TouchSet = std::vector<Touch*>;

}  // namespace platform
