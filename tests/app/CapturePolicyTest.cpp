#include "app/CapturePolicy.h"

#include "capture/DeleteCommand.h"
#include "capture/SaveWorker.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using Refusal = CapturePolicy::Refusal;

class CapturePolicyTest : public ::testing::Test {
protected:
    // Records waiting for a worker that has not started (they never make the queue wait).
    void queue(int n) {
        for (int i = 0; i < n; ++i)
            worker_.addToSaveQueue(std::make_unique<DeleteCommand>(std::vector<std::string>{"/none"}));
    }

    testenv::ScratchDir dir_;
    platform::FileManager files_{dir_.path()};
    platform::ManualClock clock_;
    platform::RunLoop loop_{clock_};
    SaveWorker worker_{files_, loop_, nullptr};
    CapturePolicy policy_;
};

TEST_F(CapturePolicyTest, APressIsRefusedForTheReasonItsRefusalNames) {
    EXPECT_EQ(policy_.refusal(nullptr), Refusal::NoSaving);
    // A press starts a sequence; a second one is refused while it runs.
    EXPECT_EQ(policy_.refusal(&worker_), std::nullopt);
    policy_.beginSequence(BurstMode::Off);
    EXPECT_EQ(policy_.refusal(&worker_), Refusal::SequenceRunning);
    policy_.endSequence();
    // Four waiting: served. Five: the queue is full.
    queue(4);
    EXPECT_EQ(policy_.refusal(&worker_), std::nullopt);
    queue(1);
    EXPECT_EQ(policy_.refusal(&worker_), Refusal::QueueFull);
    // Once the wait at termination has begun nothing is taken, however empty the queue.
    worker_.waitTillFinishedSaving();
    EXPECT_EQ(worker_.saveQueue().count(), 0u);
    EXPECT_EQ(policy_.refusal(&worker_), Refusal::NoSaving);
}

TEST(CapturePolicy, ABurstFollowsTwoReadyReportsAndOneShotEndsAtTheFirst) {
    CapturePolicy policy;
    // Start-up: nothing armed, so the camera's first ready report starts no shot.
    policy.reset();
    EXPECT_EQ(policy.burstCount(), std::nullopt);
    EXPECT_FALSE(policy.shotFollowsReady());

    policy.beginSequence(BurstMode::On);
    EXPECT_EQ(policy.burstCount(), 1);
    EXPECT_TRUE(policy.shotFollowsReady());
    EXPECT_TRUE(policy.shotFollowsReady());
    EXPECT_EQ(policy.burstCount(), CapturePolicy::kBurstShots);
    EXPECT_TRUE(policy.takingPicture());
    EXPECT_FALSE(policy.shotFollowsReady());
    EXPECT_FALSE(policy.takingPicture());

    policy.beginSequence(BurstMode::Off);
    EXPECT_EQ(policy.burstCount(), std::nullopt);
    EXPECT_TRUE(policy.takingPicture());
    EXPECT_FALSE(policy.shotFollowsReady());
    EXPECT_FALSE(policy.takingPicture());

    // A stored number out of range (before its button replaced it) is taken as a burst, as the
    // setting's test for "on" has always been "not off".
    policy.beginSequence(BurstMode(3));
    EXPECT_EQ(policy.burstCount(), 1);
}

}  // namespace
}  // namespace kestrova
