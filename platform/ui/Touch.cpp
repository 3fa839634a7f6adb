#include "platform/ui/Touch.h"

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform {

Touch::Touch(int fingerId, Window* window, View* view, Point windowLocation, double timestamp, int tapCount)
    : fingerId_(fingerId), window_(window), view_(view), location_(windowLocation), previous_(windowLocation),
      timestamp_(timestamp), tapCount_(tapCount) {}

Point Touch::locationInView(const View* view) const {
    return view ? view->convertPointFromView(location_, nullptr) : location_;
}

Point Touch::previousLocationInView(const View* view) const {
    return view ? view->convertPointFromView(previous_, nullptr) : previous_;
}

void Touch::update(TouchPhase phase, Point windowLocation, double timestamp) {
    previous_ = location_;
    location_ = windowLocation;
    phase_ = phase;
    timestamp_ = timestamp;
}

}  // namespace platform
