#pragma once
// A main run loop on a manual clock, so animations, transitions and touch timing step exactly.
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

namespace platform::test {

class CoreUiFixture : public ::testing::Test {
protected:
    CoreUiFixture() : loop_(clock_) { RunLoop::setMain(&loop_); }
    ~CoreUiFixture() override { RunLoop::setMain(nullptr); }

    double now() const { return clock_.now(); }
    void runFor(double seconds) { loop_.runFor(platform::Seconds(seconds)); }
    // A finger down for 0.05 s at a point of `window`, or at the centre of a view in it.
    void tap(Window& window, Point p) {
        window.touchDown(0, p, now());
        runFor(0.05);
        window.touchUp(0, now());
    }
    void tapView(View* v) { tap(*v->window(), v->convertPointToView(v->bounds().center(), nullptr)); }

    ManualClock clock_;
    RunLoop loop_;
};

}  // namespace platform::test
