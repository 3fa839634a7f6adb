#include "CameraTestSupport.h"

#include "platform/camera/SensorFrame.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>

using namespace platform;
using cameratest::bgr;
using cameratest::BGR;
using cameratest::kMark;
using cameratest::px;

TEST(SyntheticSource, SceneHasPureBarsAndMark) {
    const int w = 400, h = 320;
    ImageRef a = SyntheticSource::renderScene(1.25, w, h);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->width(), w);
    ASSERT_EQ(a->height(), h);
    EXPECT_EQ(a->bytesPerRow(), w * 4);

    // Bars, sampled at their centres below the mark: white, yellow, cyan, green, magenta, red,
    // blue, black, all pure (the grey ramp under them is for the eye).
    const BGR bars[8] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                         {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bgr(a, w * i / 8 + w / 16, h / 4), bars[i]) << "bar " << i;

    EXPECT_EQ(px(a, w / 2, h / 4)[3], 255);  // the unused byte

    // The mark in the top-left corner: an L a fifth of the short side long, a quarter of that
    // thick (the other corners are the orientation tests').
    const struct {
        int x, y;
        bool in;
    } marks[] = {{63, 15, true}, {64, 0, false}, {63, 16, false}, {15, 63, true}, {16, 63, false}, {0, 64, false}};
    for (const auto& m : marks) EXPECT_EQ(bgr(a, m.x, m.y) == kMark, m.in) << m.x << "," << m.y;
}

// The screen's frame is made in one turn (none in portrait): in every orientation it must be
// exactly the sensor frame turned back, and at another size the scene drawn at that size, not
// scaled. (Where the turns put the world is the sensor frame's test.)
TEST(SyntheticSource, ScreenFramesAreTheSensorFramesTurnedBack) {
    ManualClock clock(7.5);
    SyntheticSource src(clock);
    for (DeviceOrientation o : {DeviceOrientation::LandscapeLeft, DeviceOrientation::LandscapeRight,
                                DeviceOrientation::Portrait, DeviceOrientation::PortraitUpsideDown,
                                DeviceOrientation::FaceUp, DeviceOrientation::Unknown}) {
        SCOPED_TRACE(int(o));
        ImageRef viaSensor = SensorFrame::forPortraitScreen(src.previewFrame(o));
        ImageRef direct = src.screenFrame(o, 320, 400);
        ASSERT_TRUE(viaSensor && direct);
        EXPECT_EQ(direct->width(), viaSensor->width());
        EXPECT_EQ(direct->copyData(), viaSensor->copyData());
        int uw = 0, uh = 0;
        SensorFrame::uprightSize(120, 96, o, &uw, &uh);
        ImageRef sized = src.screenFrame(o, 96, 120);
        ImageRef drawn =
            SensorFrame::forPortraitScreen(SensorFrame::fromUpright(SyntheticSource::renderScene(7.5, uw, uh), o));
        ASSERT_TRUE(sized);
        EXPECT_EQ(sized->width(), 96);
        EXPECT_EQ(sized->copyData(), drawn->copyData());
    }
    // The preview is the scene at its moment.
    clock.advance(0.5);
    EXPECT_EQ(src.previewFrame(DeviceOrientation::LandscapeLeft)->copyData(),
              SyntheticSource::renderScene(8.0, 400, 320)->copyData());
}

// Screen frames are drawn into kept buffers, putting back only what moved, and the source names
// the (small) rectangles where two of them can differ. Held or let go, each frame must equal the
// scene drawn from scratch at its moment, a frame still held must not change when later ones are
// made, and nothing may differ outside the rectangles named. Turned copies it cannot vouch for
// are left to a whole comparison.
TEST(SyntheticSource, KeptBuffersRedrawWhatMovedAndNameWhere) {
    ManualClock clock(0.2);
    SyntheticSource src(clock);
    // The last two frames, held as the screen holds the one on show (all three buffers in use).
    std::deque<std::pair<ImageRef, std::vector<uint8_t>>> held;
    held.emplace_back(src.screenFrame(DeviceOrientation::Portrait, 320, 400), std::vector<uint8_t>{});
    held.back().second = held.back().first->copyData();
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        clock.advance(0.27);  // the ball moves and, now and then, the lit cell
        ImageRef f = src.screenFrame(DeviceOrientation::Portrait, 320, 400);
        ASSERT_EQ(f->copyData(), SyntheticSource::renderScene(clock.now(), f->width(), f->height())->copyData());
        for (const auto& [frame, bytes] : held) ASSERT_EQ(frame->copyData(), bytes);
        const Image& earlier = *held.back().first;
        std::vector<Rect> rects;
        ASSERT_TRUE(src.screenFrameChanges(earlier, *f, &rects));
        float area = 0;
        for (const Rect& r : rects) area += r.width() * r.height();
        EXPECT_LT(area, f->width() * f->height() / 8.0f);
        int differing = 0, outside = 0;
        for (int y = 0; y < f->height(); ++y)
            for (int x = 0; x < f->width(); ++x) {
                if (std::memcmp(f->pixel(x, y), earlier.pixel(x, y), 3) == 0) continue;
                ++differing;
                outside += std::none_of(rects.begin(), rects.end(),
                                        [&](const Rect& r) { return r.contains(Point{x + 0.5f, y + 0.5f}); });
            }
        EXPECT_GT(differing, 0);
        EXPECT_EQ(outside, 0);
        held.emplace_back(f, f->copyData());
        if (held.size() > 2) held.pop_front();
    }
    std::vector<Rect> rects;
    ImageRef a = src.screenFrame(DeviceOrientation::LandscapeLeft, 320, 400);
    clock.advance(0.1);
    ImageRef b = src.screenFrame(DeviceOrientation::LandscapeLeft, 320, 400);
    EXPECT_FALSE(src.screenFrameChanges(*a, *b, &rects));
}

// The ball four pixels at a time (where the processor has AVX) and two at a time give the same
// bytes: across the swing, over sizes whose rows leave every remainder after groups of four, with
// ball edges cut by the picture's sides.
TEST(SyntheticSource, WideAndPortableShadingAgree) {
    const std::array<std::array<int, 2>, 5> sizes{{{400, 320}, {320, 400}, {97, 61}, {58, 203}, {6, 9}}};
    for (const auto& [w, h] : sizes)
        for (double t = 0; t < 4.2; t += 0.173) {
            SyntheticSource::usePortableCode(true);
            ImageRef portable = SyntheticSource::renderScene(t, w, h);
            SyntheticSource::usePortableCode(false);
            ImageRef wide = SyntheticSource::renderScene(t, w, h);
            ASSERT_TRUE(portable && wide);
            ASSERT_EQ(portable->copyData(), wide->copyData()) << w << " x " << h << " at " << t;
        }
}
