// Capture control on the synthetic camera: single shots, the self-timer, bursts, quiet mode, the
// volume key and refusals.
#include "tests/app/AppFixture.h"
#include "tests/app/WorkerGate.h"

#include "platform/cameraui/CameraView.h"
#include "platform/graphics/Color.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Label.h"
#include "ui/controls/GlowingCircleView.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/quickview/ThumbnailManager.h"
#include "ui/quickview/ThumbnailView.h"

#include <chrono>

using namespace std::chrono_literals;

namespace apptest {
namespace {

// With the worker held, the loop's own stepping would wait for it to go idle: these step virtual
// time from timer to timer without waiting.
class CaptureTest : public AppFixture {
protected:
    // Launches with the worker to be held in the first picture, ready to take pictures.
    void launchHeld(kestrova::GateOpener& gate) {
        launch([&](kestrova::KestrovaAppDelegate& d) {
            kestrova::KestrovaAppDelegateTestApi(d).setPositionProvider(gate->provider());
        });
        loop.runFor(1.05s);
        ASSERT_TRUE(loop.runUntil([&] { return api().saveWorker()->readyForCapture(); }, 5s));
    }
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

// Sits between the camera and the application delegate and notes what arrives, in order, with
// whether a picture is still being taken when the camera reports itself ready.
struct CallbackRecorder : platform::CameraControllerDelegate {
    kestrova::KestrovaAppDelegate* target = nullptr;
    std::vector<std::string> events;
    void cameraControllerReadyStateChanged(platform::CameraController* c) override {
        const auto taking = [&] { return kestrova::KestrovaAppDelegateTestApi(*target).takingPicture() ? "1" : "0"; };
        events.push_back(std::string("ready taking ") + taking());
        target->cameraControllerReadyStateChanged(c);
        events.push_back(std::string("after ready taking ") + taking());
    }
    void cameraControllerTookPicture(platform::CameraController* c, platform::ImageRef picture,
                                     platform::ImageRef preview, const std::vector<uint8_t>* jpeg,
                                     const platform::ImageProperties* properties) override {
        events.push_back("picture");
        target->cameraControllerTookPicture(c, picture, preview, jpeg, properties);
    }
};

TEST_F(CaptureTest, CameraCallbacksInOrderAndATapOnTheShutterArea) {
    launchReady();
    CallbackRecorder recorder;
    recorder.target = delegate.get();
    api().cameraController()->setDelegate(&recorder);
    // A press lifted on the shutter area shoots.
    touch(platform::Point{160, 200});
    EXPECT_TRUE(api().takingPicture());
    EXPECT_EQ(shutterSounds(), 1u);
    loop.runFor(0.3s);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"picture", "ready taking 1", "after ready taking 0"}));
    drain();
    api().cameraController()->setDelegate(delegate.get());
    EXPECT_EQ(files100(".JPG"), std::vector<std::string>{"IMG_0001.JPG"});
}

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
    ASSERT_NE(api().cancelSheet(), nullptr);
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
    loop.runFor(0.3s);
    drain();
    EXPECT_EQ(files100(".JPG"), std::vector<std::string>{"IMG_0001.JPG"});
    // The next press follows the option now: no countdown.
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
    // A press during a sequence takes no picture but is undone.
    ASSERT_TRUE(volume.setActiveCategory(platform::SystemVolumeController::kRingtone));
    defaults->setInteger(0, "BurstMode");
    delegate->setTimerStatus(kestrova::TimerMode::TenSeconds);
    delegate->performCapture();
    volume.volumeUp();
    loop.runFor(0.5s);
    EXPECT_FLOAT_EQ(volumeOf(platform::SystemVolumeController::kRingtone), start);
    EXPECT_EQ(shutterSounds(), 1u);
    delegate->stopTimer();
    drain();
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

TEST_F(CaptureTest, APressIsServedWithFourWaitingAndRefusedWithFiveWithoutBlocking) {
    kestrova::GateOpener gate;
    launchHeld(gate);
    auto shoot = [&] {
        delegate->performCapture();
        stepHeld(0.3);
    };
    shoot();
    ASSERT_TRUE(gate->waitEntered());
    const auto& queue = api().saveWorker()->saveQueue();
    for (int i = 0; i < 4; ++i) shoot();
    ASSERT_EQ(queue.count(), 4u);
    ASSERT_EQ(shutterSounds(), 5u);
    // Four waiting: served, and the picture joins the queue without waiting for room.
    shoot();
    EXPECT_EQ(shutterSounds(), 6u);
    EXPECT_EQ(queue.count(), 5u);
    EXPECT_EQ(queue.waitingProducers(), 0);
    // Five waiting: refused outright, from the button and from the shutter area.
    shoot();
    EXPECT_EQ(shutterSounds(), 6u);
    EXPECT_FALSE(api().takingPicture());
    EXPECT_EQ(queue.count(), 5u);
    EXPECT_EQ(queue.waitingProducers(), 0);
    EXPECT_FALSE(gate->watchdogFired);
    gate->release();
    drain();
    EXPECT_EQ(files100(".JPG").size(), 6u);
}

TEST_F(CaptureTest, TheGlowFadesInPulsesAndFadesOut) {
    kestrova::GateOpener gate;
    launchHeld(gate);
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
    // Once everything is written the pulse in progress ends and the circle fades out in one second.
    gate->release();
    drain();
    ASSERT_TRUE(loop.runUntil([&] { return !api().glowRunning(); }, 3s));
    const double t1 = loop.now();
    const float from = glow->presentation().alpha;
    EXPECT_EQ(glow->alpha(), 0.0f);
    loop.runFor(0.5s);
    EXPECT_NEAR(glow->presentation().alpha, from / 2, 0.05f);
    loop.runUntil([&] { return loop.now() >= t1 + 1.05; }, 3s);
    EXPECT_EQ(glow->presentation().alpha, 0.0f);
}

TEST_F(CaptureTest, ZoomMagnifiesThePreviewAndTheLevelAndZoomSettingsApply) {
    launchReady();
    delegate->updateZoom(2.0f, false);
    EXPECT_EQ(api().cameraView()->transform().a, 2.0f);
    EXPECT_EQ(api().cameraView()->transform().d, 2.0f);
    delegate->updateZoom(1.5f, true);
    EXPECT_EQ(api().cameraView()->transform().a, 1.5f);
    // The level guide follows its setting.
    delegate->setLevelStatus(kestrova::LevelerMode::Shown);
    EXPECT_FALSE(api().levelerImage()->hidden());
    delegate->setZoomStatus(kestrova::ZoomMode::Off);
    EXPECT_FALSE(api().snapButton()->zoomEnabled());
}

}  // namespace
}  // namespace apptest
