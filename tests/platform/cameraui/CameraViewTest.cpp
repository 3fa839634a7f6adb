#include "tests/platform/camera/CameraTestSupport.h"

#include "platform/camera/CameraController.h"
#include "platform/cameraui/CameraView.h"
#include "platform/camera/SensorFrame.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/system/Device.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/LiveTarget.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/SnapshotDifference.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace std::chrono_literals;

using namespace platform;
using cameratest::BGR;
using cameratest::bgr;
using cameratest::kMark;

namespace {

// The synthetic camera, counting the preview frames it is asked for.
struct CountingSource final : CameraSource {
    explicit CountingSource(const Clock& c) : inner(c) {}
    SyntheticSource inner;
    int previews = 0;
    ImageRef previewFrame(DeviceOrientation o) override {
        ++previews;
        return inner.previewFrame(o);
    }
    ImageRef pictureFrame(DeviceOrientation o) override { return inner.pictureFrame(o); }
    std::string description() const override { return "counting"; }
};

class CameraViewTest : public ::testing::Test {
protected:
    ManualClock clock{5.0};
    RunLoop loop{clock};
    Device device;
    CountingSource* source = nullptr;
    std::unique_ptr<CameraController> cc;
    void SetUp() override {
        Device::setCurrentDevice(&device);
        auto s = std::make_unique<CountingSource>(clock);
        source = s.get();
        cc = std::make_unique<CameraController>(std::move(s), &loop);
        cc->startPreview();
    }
    void TearDown() override { Device::setCurrentDevice(nullptr); }
};
}  // namespace

TEST_F(CameraViewTest, ShowsTheFrameUprightFillingThePortraitScreen) {
    // Held in landscape left the sensor sees the world as it is; the portrait screen shows it
    // on its side, top edge to the right.
    CameraView view({0, 0, 320, 480}, cc.get());
    device.setOrientation(DeviceOrientation::LandscapeLeft);
    EXPECT_EQ(bgr(view.uprightFrame(), 317, 2), kMark);
    device.setOrientation(DeviceOrientation::Portrait);

    // On screen: scaled to fill 320 x 480 (the sides cropped), the mark's top arm at the top
    // left; the bottom right shows the dark panel, not the mark.
    Window window({0, 0, 320, 480});
    CameraView* v = static_cast<CameraView*>(window.addSubview(std::make_unique<CameraView>(Rect{0, 0, 320, 480}, cc.get())));
    Compositor comp(1);
    ASSERT_TRUE(comp.composite(window));
    ImageRef screen = comp.image();
    ASSERT_TRUE(screen);
    EXPECT_EQ(bgr(screen, 3, 3), kMark);
    EXPECT_NE(bgr(screen, 316, 476), kMark);
    // The bars reach the screen's right edge: the black bar there, white below the mark.
    EXPECT_EQ(bgr(screen, 316, 40), (BGR{0, 0, 0}));
    EXPECT_EQ(bgr(screen, 10, 100), (BGR{255, 255, 255}));

    // Magnified twice by its transform about the centre: the screen's corner now shows the
    // point (81.5, 121.5) of the view, which is in the third bar, cyan.
    v->setTransform(AffineTransform::makeScale(2, 2));
    v->setNeedsDisplay();
    ASSERT_TRUE(comp.composite(window));
    EXPECT_EQ(bgr(comp.image(), 3, 3), (BGR{255, 255, 0}));
}

TEST_F(CameraViewTest, RefreshesWhileInAWindowAndMakesFramesOnlyWhenDrawn) {
    auto window = std::make_unique<Window>(Rect{0, 0, 320, 480});
    auto owned = std::make_unique<CameraView>(Rect{0, 0, 320, 480}, cc.get());
    CameraView* view = owned.get();
    window->addSubview(std::move(owned));
    EXPECT_TRUE(view->isRefreshing());

    // A second of virtual time: about 30 refreshes mark the view dirty, but no frame is made
    // until the compositor draws.
    Compositor comp(1);
    comp.composite(*window);
    const int afterFirstDraw = source->previews;
    EXPECT_GE(afterFirstDraw, 1);
    EXPECT_FALSE(view->needsDisplay());
    loop.runFor(1.0s);
    EXPECT_TRUE(view->needsDisplay());
    EXPECT_EQ(source->previews, afterFirstDraw);
    comp.composite(*window);
    EXPECT_EQ(source->previews, afterFirstDraw + 1);
    // Composed again before the next refresh (an animation elsewhere): the same frame, drawn
    // straight onto the screen with no copy kept aside.
    comp.composite(*window);
    EXPECT_EQ(source->previews, afterFirstDraw + 1);
    EXPECT_EQ(view->backing(), nullptr);

    // The timer runs in Common mode: it marks the view while a finger tracks, too.
    view->clearNeedsDisplay();
    loop.runFor(0.1s, RunLoopMode::Tracking);
    EXPECT_TRUE(view->needsDisplay());

    // Out of the window the timer stops; a view that goes leaves no timer behind.
    auto back = view->removeFromSuperview();
    EXPECT_FALSE(view->isRefreshing());
    window->addSubview(std::move(back));
    EXPECT_TRUE(view->isRefreshing());
    window.reset();
    loop.runFor(0.5s);
    EXPECT_FALSE(loop.nextFireDate(RunLoopMode::Common).has_value());
}

namespace {
// Counts how the preview reached the screen: its own pixels, or through a drawing context.
class CountingCameraView final : public CameraView {
public:
    using CameraView::CameraView;
    int direct = 0, throughContext = 0;
    bool drawLiveInto(const LiveTarget& target) override {
        const bool drawn = CameraView::drawLiveInto(target);
        direct += drawn;
        return drawn;
    }
    void drawRect(GraphicsContext& context, const Rect& rect) override {
        ++throughContext;
        CameraView::drawRect(context, rect);
    }
};
}  // namespace

// Between two refreshes only the test card's ball and lit cell move: only those parts of the
// screen are drawn again, whether the camera names where its frames can differ or every pixel is
// compared. The preview puts its pixels straight onto the screen, inside a clipping superview and
// under a translucent band, at whole and fractional scales, and the screen is what drawing
// everything afresh gives, the ball's old place included; a clip edge inside a pixel sends it
// through a context instead. A camera whose picture does not change costs no drawing at all.
TEST_F(CameraViewTest, WritesWhatChangedStraightOntoTheScreenExactly) {
    struct Case {
        bool named;
        float scale, clipHeight;
        bool direct;
    };
    // The ball swings between about 330 and 430 points down: the last clip's edge crosses it.
    for (const Case c : {Case{false, 1, 480, true}, Case{true, 1, 480, true}, Case{true, 2, 450, true},
                         Case{true, 1.5f, 450, true}, Case{true, 2, 380.25f, false}}) {
        SCOPED_TRACE(testing::Message() << (c.named ? "named" : "compared") << " scale " << c.scale << " clip "
                                        << c.clipHeight);
        CameraController naming(std::make_unique<SyntheticSource>(clock), &loop);
        naming.startPreview();
        Window window(Rect{0, 0, 320, 480});
        window.setBackgroundColor(Color::rgba(1, 0, 0));
        View* holder = window.addSubview(std::make_unique<View>(Rect{0, 10, 320, c.clipHeight - 10}));
        holder->setClipsToBounds(true);
        auto* view = static_cast<CountingCameraView*>(holder->addSubview(
            std::make_unique<CountingCameraView>(Rect{0, 0, 320, 480}, c.named ? &naming : cc.get())));
        window.addSubview(std::make_unique<View>(Rect{0, 300, 320, 40}))->setBackgroundColor(Color::white(1, 0.5f));
        Compositor comp(c.scale);
        ASSERT_TRUE(comp.composite(window));
        const int pixels = int(320 * 480 * c.scale * c.scale);
        const int before = view->throughContext, refreshes = 20;
        int small = 0;
        for (int i = 0; i < refreshes; ++i) {
            loop.runFor(CameraView::kRefreshInterval);
            ASSERT_TRUE(comp.composite(window));
            const auto d = comp.lastDamage();
            small += !d.empty() && d.width * d.height < pixels / 8;
            if (!c.direct) continue;  // filtered through a context: not the snapshot's pixels
            ASSERT_EQ(test::worstDifferenceFromSnapshot(comp, window), 0) << "refresh " << i;
        }
        EXPECT_GE(small, refreshes - 2);
        // Only the snapshots draw through a context when the pixels go straight to the screen.
        EXPECT_EQ(view->throughContext, before + refreshes);
        if (c.direct) EXPECT_GE(view->direct, refreshes);
        else EXPECT_EQ(view->direct, 0);
    }

    // A camera whose clock stands still.
    ManualClock stopped{5.0};
    auto still = std::make_unique<CountingSource>(stopped);
    CountingSource* s = still.get();
    CameraController stillController(std::move(still), &loop);
    stillController.startPreview();
    Window stillWindow(Rect{0, 0, 320, 480});
    stillWindow.addSubview(std::make_unique<CameraView>(Rect{0, 0, 320, 480}, &stillController));
    Compositor stillComp(1);
    ASSERT_TRUE(stillComp.composite(stillWindow));
    const int framesBefore = s->previews;
    loop.runFor(CameraView::kRefreshInterval);
    ASSERT_TRUE(stillComp.composite(stillWindow));
    EXPECT_EQ(s->previews, framesBefore + 1);  // the frame was looked at...
    EXPECT_TRUE(stillComp.lastDamage().empty());  // ...and nothing drawn again
}

// Beyond two pixels a point, frames are made at the pixels the preview covers, so a large screen
// shows the camera's detail: at scale 2.5 the screen shows the scene drawn at 960 x 1200, its
// sides cropped, pixel for pixel.
TEST_F(CameraViewTest, FramesAreMadeAtThePixelsTheyCoverOnScreen) {
    CameraController camera(std::make_unique<SyntheticSource>(clock), &loop);
    camera.startPreview();
    auto owned = std::make_unique<CameraView>(Rect{0, 0, 320, 480}, &camera);
    EXPECT_EQ(owned->framePixels(), (Size{320, 400})) << "outside a window: the preview frame's size";
    Window window(Rect{0, 0, 320, 480});
    CameraView* view = static_cast<CameraView*>(window.addSubview(std::move(owned)));
    Compositor comp(2.5);
    ASSERT_TRUE(comp.composite(window));
    ImageRef scene = SyntheticSource::renderScene(clock.now(), 960, 1200);
    ImageRef screen = comp.image();
    ASSERT_EQ(screen->width(), 800);
    for (int y : {0, 300, 900, 1199})
        ASSERT_EQ(std::memcmp(screen->pixel(0, y), scene->pixel(80, y), 800 * 4), 0) << "row " << y;

    // The window's scale, magnified by the view's transform only as far as the full frame
    // (1200 pixels across upright) has detail, never beyond four picture frames' pixels.
    auto at = [&](float scale, float zoom) {
        window.setScale(scale);
        view->setTransform(AffineTransform::makeScale(zoom, zoom));
        return view->framePixels();
    };
    EXPECT_EQ(at(2, 1), (Size{320, 400})) << "up to two pixels a point, the preview frame";
    EXPECT_EQ(at(1, 2.5f), (Size{960, 1200}));
    EXPECT_EQ(at(2, 3), (Size{1200, 1500}));
    EXPECT_EQ(at(4.40625f, 3), (Size{1692, 2115}));
    const Size most = at(8, 1);
    EXPECT_LE(most.width * most.height, CameraView::kMaxFramePixels);
    EXPECT_GT(most.width * most.height, CameraView::kMaxFramePixels * 0.99);
}

TEST(CameraViewChanges, BoundingBoxOfChangedColoursIgnoringTheFourthByte) {
    auto a = SensorFrame::solid(9, 7, 10, 20, 30);
    auto withPixels = [&](std::vector<std::array<int, 3>> changes) {  // x, y, byte index
        std::vector<uint8_t> px = a->copyData();
        for (auto [x, y, k] : changes) px[(size_t(y) * 9 + size_t(x)) * 4 + size_t(k)] ^= 0x5A;
        return Image::createBGRX(9, 7, std::move(px));
    };
    EXPECT_TRUE(CameraView::changedPixels(*withPixels({{4, 3, 3}}), *a).isEmpty());  // only the unused byte
    EXPECT_EQ(CameraView::changedPixels(*withPixels({{4, 3, 2}}), *a), (Rect{4, 3, 1, 1}));
    EXPECT_EQ(CameraView::changedPixels(*withPixels({{1, 5, 0}, {7, 2, 1}}), *a), (Rect{1, 2, 7, 4}));
    EXPECT_EQ(CameraView::changedPixels(*withPixels({{0, 0, 0}, {8, 6, 2}}), *a), (Rect{0, 0, 9, 7}));
    // Looking only within given rectangles: what lies outside them is not seen.
    const auto two = withPixels({{1, 1, 0}, {6, 5, 2}});
    EXPECT_EQ(CameraView::changedPixels(*two, *a, {Rect{0, 0, 3, 3}}), (Rect{1, 1, 1, 1}));
    EXPECT_EQ(CameraView::changedPixels(*two, *a, {Rect{5, 4, 9, 9}, Rect{1, 1, 1, 1}}), (Rect{1, 1, 6, 5}));
    EXPECT_TRUE(CameraView::changedPixels(*two, *a, {Rect{2, 0, 3, 7}}).isEmpty());
    // A row whose only difference is the unused byte does not widen the box.
    EXPECT_EQ(CameraView::changedPixels(*withPixels({{4, 3, 2}, {8, 0, 3}}), *a), (Rect{4, 3, 1, 1}));
}
