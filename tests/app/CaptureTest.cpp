// Capture control on the synthetic camera: single shots and refusals, the self-timer, the volume
// key, the glowing circle, and the delegate's main-thread checks.
#include "tests/app/AppFixture.h"
#include "tests/app/WorkerGate.h"

#include "platform/foundation/DebugChecks.h"
#include "platform/graphics/Color.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Label.h"
#include "ui/controls/GlowingCircleView.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/quickview/ThumbnailManager.h"
#include "ui/quickview/ThumbnailView.h"

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace apptest {
namespace {

// With the worker held, the loop's own stepping would wait for it to go idle: these step virtual
// time from timer to timer without waiting.
class CaptureTest : public AppFixture {
protected:
    void stepHeld(double seconds) {
        const double end = loop.now() + seconds;
        for (;;) {
            loop.runDue();
            auto next = loop.nextFireDate();
            if (!next || *next > end) break;
            clock.set(std::max(*next, loop.now()));
        }
        clock.set(end);
        loop.runDue();
    }
    void stepHeldUntil(double t) { stepHeld(std::max(0.0, t - loop.now())); }
};

// The self-timer: the cancel sheet and yellow numbers, one a second down to 1, the shutter a
// second later. A press meanwhile changes nothing, nor does the option switched off.
TEST_F(CaptureTest, TheSelfTimerCountsDownToItsShotUnlessCancelled) {
    launchReady();
    using kestrova::TimerMode;
    // Each length starts at its own number; cancelled, nothing is shot and the next press
    // starts afresh.
    for (auto [mode, first] : {std::pair{TimerMode::TwoSeconds, "2"}, std::pair{TimerMode::FiveSeconds, "5"},
                               std::pair{TimerMode::TenSeconds, "10"}}) {
        delegate->setTimerStatus(mode);
        delegate->performCapture();
        loop.runFor(1.0s);
        EXPECT_EQ(api().burstText()->text(), first);
        api().cancelSheet()->clickButtonAtIndex(0);
        EXPECT_FALSE(api().takingPicture());
        EXPECT_TRUE(api().burstText()->hidden());
    }
    loop.runFor(11s);
    EXPECT_EQ(shutterSounds(), 0u);

    delegate->setTimerStatus(TimerMode::TwoSeconds);
    const double start = loop.now();
    touch(api().snapButton(), 0);
    EXPECT_TRUE(api().cancelSheet()->isVisible());
    EXPECT_EQ(api().burstText()->textColor(), platform::Color::rgba(1, 1, 0));
    delegate->performCapture();
    delegate->setTimerStatus(TimerMode::Off);
    loop.runUntil([&] { return loop.now() >= start + 2; }, 3s);
    EXPECT_EQ(api().burstText()->text(), "1");
    loop.runUntil([&] { return loop.now() >= start + 3; }, 2s);
    EXPECT_EQ(shutterSounds(), 0u);
    EXPECT_TRUE(api().burstText()->hidden());
    loop.runFor(0.02s);
    EXPECT_EQ(shutterSounds(), 1u);
    // Once the picture is in, the next press follows the option: no countdown.
    loop.runFor(0.3s);
    delegate->performCapture();
    EXPECT_EQ(shutterSounds(), 2u);
}

TEST_F(CaptureTest, VolumeKeyShootsOnlyForRingtoneAndIsAlwaysUndone) {
    launchReady();
    const float start = api().oldVolume();
    auto volumeOf = [&](const auto& category) {
        float v = -1;
        volume.getVolume(v, category);
        return v;
    };
    // Ringtone: a picture, and the volume comes back.
    volume.volumeUp();
    loop.runFor(0.5s);
    EXPECT_EQ(shutterSounds(), 1u);
    EXPECT_FLOAT_EQ(volumeOf(platform::SystemVolumeController::kRingtone), start);
    EXPECT_EQ(api().buttonMutex(), 0);
    // Another category: no picture, still undone.
    ASSERT_TRUE(volume.setActiveCategory(platform::SystemVolumeController::kAudioVideo));
    volume.volumeDown();
    loop.runFor(0.5s);
    EXPECT_EQ(shutterSounds(), 1u);
    EXPECT_FLOAT_EQ(volumeOf(platform::SystemVolumeController::kAudioVideo), start);
    // A report of a volume that already equals the start-up one needs no restore: nothing waits
    // for an echo, so the next real press is undone too.
    center.post(platform::SystemVolumeController::kSystemVolumeDidChangeNotification, &volume);
    EXPECT_EQ(api().buttonMutex(), 0);
    volume.volumeUp();
    loop.runFor(0.5s);
    EXPECT_FLOAT_EQ(volumeOf(platform::SystemVolumeController::kAudioVideo), start);
}

// The first second (the worker's side: SaveWorkerTest): a tap at 0.2 s and one at 0.5 s each give
// a picture, and the stack's thumbnails take the numbers the worker gives them after its scan, so
// deleting one deletes its files.
TEST_F(CaptureTest, TheFirstSecondIsServed) {
    std::filesystem::create_directories(roll(""));
    testenv::writeFile(roll("IMG_0007.JPG"), "old");
    launch();
    loop.runFor(0.2s);
    touch(platform::Point{160, 200});
    EXPECT_EQ(shutterSounds(), 1u);
    loop.runUntil([&] { return loop.now() >= 0.5; }, 1s);
    EXPECT_FALSE(api().takingPicture());
    delegate->performCapture();
    EXPECT_EQ(shutterSounds(), 2u);
    // While it is taken, further presses are refused.
    EXPECT_FALSE(delegate->snapEnabled());
    delegate->performCapture();
    EXPECT_EQ(shutterSounds(), 2u);
    loop.runFor(0.3s);
    EXPECT_TRUE(delegate->snapEnabled());
    EXPECT_FALSE(api().saveWorker()->started());
    ASSERT_EQ(api().previewManager()->previews().size(), 2u);

    loop.runFor(0.3s);
    ASSERT_TRUE(api().saveWorker()->started());
    drain();
    loop.runFor(0.01s);
    std::vector<int32_t> indices;
    for (auto* preview : api().previewManager()->previews()) indices.push_back(preview->imageIndex());
    EXPECT_EQ(indices, (std::vector<int32_t>{8, 9}));
}

TEST_F(CaptureTest, TheGlowFadesInPulsesAndFadesOut) {
    // The worker is held in the first picture.
    kestrova::GateOpener gate;
    launchReady([&](kestrova::KestrovaAppDelegate& d) {
        kestrova::KestrovaAppDelegateTestApi(d).setPositionProvider(gate->provider());
    });
    auto* glow = api().progressView();
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->alpha(), 0.0f);
    delegate->performCapture();
    for (int i = 0; i < 100 && !api().glowRunning(); ++i) stepHeld(0.01);
    ASSERT_TRUE(api().glowRunning());
    const double t0 = loop.now();
    ASSERT_TRUE(gate->waitEntered());
    // In over two seconds (half way at one, eased), then between full and half in one second each.
    stepHeldUntil(t0 + 1.0);
    EXPECT_NEAR(glow->presentation().alpha, 0.5f, 0.05f);
    EXPECT_EQ(glow->alpha(), 1.0f);
    stepHeldUntil(t0 + 2.05);
    EXPECT_EQ(glow->alpha(), 0.5f);
    stepHeldUntil(t0 + 2.55);
    EXPECT_NEAR(glow->presentation().alpha, 0.75f, 0.05f);
    stepHeldUntil(t0 + 3.1);
    EXPECT_EQ(glow->alpha(), 1.0f);
    EXPECT_FALSE(gate->watchdogFired);
    // Once everything is written the pulse in progress ends and the circle fades out.
    gate->release();
    drain();
    ASSERT_TRUE(loop.runUntil([&] { return !api().glowRunning(); }, 3s));
    EXPECT_EQ(glow->alpha(), 0.0f);
}

// The delegate's main-thread methods check where they are called from: in a debug or sanitizer
// build a press or a quick-view action from another thread stops the program.
TEST_F(CaptureTest, DelegateMethodsRefuseOtherThreads) {
    if (!KESTROVA_DEBUG_CHECKS) GTEST_SKIP() << "release build: the thread check is compiled out";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    launchReady();
    EXPECT_DEATH(std::thread([&] { delegate->performCapture(); }).join(),
                 "KestrovaAppDelegate::performCapture.*called off the main thread");
    EXPECT_DEATH(std::thread([&] { delegate->hideDelete(); }).join(),
                 "KestrovaAppDelegate::hideDelete.*called off the main thread");
    EXPECT_DEATH(std::thread([&] { delegate->saveSettings(); }).join(),
                 "KestrovaAppDelegate::saveSettings.*called off the main thread");
}

}  // namespace
}  // namespace apptest
