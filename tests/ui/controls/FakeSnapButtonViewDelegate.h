#pragma once
// Records what the shutter area asks and tells; `allow` is its answer to snapEnabled.
#include "platform/ui/Object.h"
#include "ui/controls/SnapButtonViewDelegate.h"

#include <vector>

namespace kestrova::test {

class FakeSnapButtonViewDelegate : public platform::Object, public SnapButtonViewDelegate {
public:
    struct ZoomCall {
        float zoom;
        bool animate;
    };

    bool snapEnabled() override { return allow; }
    void updateZoom(float zoom, bool animate) override { zoomCalls.push_back({zoom, animate}); }
    void performCapture() override { ++captures; }
    void stopTimer() override { ++stopTimers; }

    bool allow = true;
    int captures = 0;
    int stopTimers = 0;
    std::vector<ZoomCall> zoomCalls;
};

}  // namespace kestrova::test
