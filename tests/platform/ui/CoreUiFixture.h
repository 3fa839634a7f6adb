#pragma once
// A main run loop on a manual clock, so animations, transitions and touch timing step exactly.
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

namespace platform::test {

class CoreUiFixture : public ::testing::Test {
protected:
    CoreUiFixture() : loop_(clock_) { RunLoop::setMain(&loop_); }
    ~CoreUiFixture() override { RunLoop::setMain(nullptr); }

    double now() const { return clock_.now(); }
    void runFor(double seconds) { loop_.runFor(platform::Seconds(seconds)); }

    ManualClock clock_;
    RunLoop loop_;
};

}  // namespace platform::test
