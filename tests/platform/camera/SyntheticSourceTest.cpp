#include "CameraTestSupport.h"

#include "platform/camera/SensorFrame.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace platform;
using cameratest::bgr;
using cameratest::BGR;
using cameratest::kMark;
using cameratest::px;

TEST(SyntheticSource, SceneHasPureBarsRampMarkAndMovesWithTime) {
    const int w = 400, h = 320;
    ImageRef a = SyntheticSource::renderScene(1.25, w, h);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->width(), w);
    ASSERT_EQ(a->height(), h);
    EXPECT_EQ(a->bytesPerRow(), w * 4);

    // Bars, sampled at their centres below the mark: white, yellow, cyan, green, magenta, red,
    // blue, black, all pure.
    const BGR bars[8] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                         {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bgr(a, w * i / 8 + w / 16, h / 4), bars[i]) << "bar " << i;

    // Grey ramp from black to white under the bars; the unused byte is 255 everywhere we look.
    const int rampY = int(h * 0.62);
    EXPECT_EQ(bgr(a, 0, rampY), (BGR{0, 0, 0}));
    EXPECT_EQ(bgr(a, w - 1, rampY), (BGR{255, 255, 255}));
    const auto mid = bgr(a, w / 2, rampY);
    EXPECT_EQ(mid[0], mid[1]);
    EXPECT_NEAR(mid[0], 128, 2);
    EXPECT_EQ(px(a, w / 2, rampY)[3], 255);

    // The mark is in the top-left corner only: an L a fifth of the short side long, a quarter
    // of that thick.
    EXPECT_EQ(bgr(a, 0, 0), kMark);
    EXPECT_EQ(bgr(a, 63, 15), kMark);
    EXPECT_NE(bgr(a, 64, 0), kMark);
    EXPECT_NE(bgr(a, 63, 16), kMark);
    EXPECT_EQ(bgr(a, 15, 63), kMark);
    EXPECT_NE(bgr(a, 16, 63), kMark);
    EXPECT_NE(bgr(a, 0, 64), kMark);
    EXPECT_NE(bgr(a, w - 1, 0), kMark);
    EXPECT_NE(bgr(a, 0, h - 1), kMark);

    // A pure function of time: the same moment gives the same bytes; another moment differs
    // (the ball has moved), but only below the bars.
    ImageRef again = SyntheticSource::renderScene(1.25, w, h);
    EXPECT_EQ(a->copyData(), again->copyData());
    ImageRef later = SyntheticSource::renderScene(2.0, w, h);
    EXPECT_NE(a->copyData(), later->copyData());
    const size_t stillBytes = size_t(rampY) * w * 4;
    EXPECT_TRUE(std::equal(a->data(), a->data() + stillBytes, later->data()));
}

// Where the world's marked top-left corner lands in the landscape sensor frame, preview and
// picture alike; each frame is the scene at its moment.
TEST(SyntheticSource, FramesFollowTheSensorOrientationRules) {
    ManualClock clock(7.5);
    SyntheticSource src(clock);
    const struct {
        DeviceOrientation orientation;
        bool right, bottom;  // the mark's corner
    } cases[] = {
        {DeviceOrientation::LandscapeLeft, false, false},      // the world as it is
        {DeviceOrientation::LandscapeRight, true, true},       // turned 180°
        {DeviceOrientation::Portrait, false, true},            // turned 90° counter-clockwise
        {DeviceOrientation::PortraitUpsideDown, true, false},  // turned 90° clockwise
        {DeviceOrientation::FaceUp, false, true},              // counts as portrait
    };
    for (const auto& c : cases)
        for (bool picture : {false, true}) {
            SCOPED_TRACE(std::to_string(int(c.orientation)) + (picture ? " picture" : " preview"));
            ImageRef f = picture ? src.pictureFrame(c.orientation) : src.previewFrame(c.orientation);
            const int W = picture ? 1600 : 400, H = picture ? 1200 : 320;
            ASSERT_TRUE(f);
            ASSERT_EQ(f->width(), W);
            ASSERT_EQ(f->height(), H);
            EXPECT_EQ(f->bitmapInfo(), BitmapInfo::BGRX);
            for (bool right : {false, true})
                for (bool bottom : {false, true})
                    EXPECT_EQ(bgr(f, right ? W - 3 : 2, bottom ? H - 3 : 2) == kMark, right == c.right && bottom == c.bottom)
                        << "corner " << right << bottom;
        }
    // In portrait the world's top edge (the bars, white at its left end) runs up the frame's
    // left edge: the frame's top-left corner shows the black bar, its bottom-left the white.
    ImageRef p = src.previewFrame(DeviceOrientation::Portrait);
    EXPECT_EQ(bgr(p, 1, 1), (BGR{0, 0, 0}));
    EXPECT_EQ(bgr(p, 20, 320 - 30), (BGR{255, 255, 255}));  // white bar, clear of the bracket

    // The preview reuses its backdrop between frames, yet each frame is the scene at its moment.
    ImageRef p1 = src.previewFrame(DeviceOrientation::LandscapeLeft);
    EXPECT_EQ(p1->copyData(), SyntheticSource::renderScene(7.5, 400, 320)->copyData());
    clock.advance(0.5);
    EXPECT_EQ(src.previewFrame(DeviceOrientation::LandscapeLeft)->copyData(),
              SyntheticSource::renderScene(8.0, 400, 320)->copyData());
}

// The screen's frame is made in one turn (none in portrait); it must be exactly the sensor
// frame turned back, in every orientation, including the ones counted as portrait.
TEST(SyntheticSource, ScreenFrameIsTheSensorFrameTurnedForThePortraitScreen) {
    ManualClock clock(7.3);
    SyntheticSource src(clock);
    for (DeviceOrientation o :
         {DeviceOrientation::Portrait, DeviceOrientation::PortraitUpsideDown, DeviceOrientation::LandscapeLeft,
          DeviceOrientation::LandscapeRight, DeviceOrientation::FaceUp, DeviceOrientation::Unknown}) {
        ImageRef viaSensor = SensorFrame::forPortraitScreen(src.previewFrame(o));
        ImageRef direct = src.screenFrame(o, 320, 400);
        ASSERT_TRUE(viaSensor && direct) << "orientation " << int(o);
        EXPECT_EQ(direct->width(), viaSensor->width()) << "orientation " << int(o);
        EXPECT_EQ(direct->height(), viaSensor->height()) << "orientation " << int(o);
        EXPECT_EQ(direct->copyData(), viaSensor->copyData()) << "orientation " << int(o);
        // At another size the scene is drawn at that size, not scaled from the preview's.
        int uw = 0, uh = 0;
        SensorFrame::uprightSize(120, 96, o, &uw, &uh);
        ImageRef sized = src.screenFrame(o, 96, 120);
        ImageRef drawn = SensorFrame::forPortraitScreen(SensorFrame::fromUpright(SyntheticSource::renderScene(7.3, uw, uh), o));
        ASSERT_TRUE(sized) << "orientation " << int(o);
        EXPECT_EQ(sized->width(), 96);
        EXPECT_EQ(sized->copyData(), drawn->copyData()) << "orientation " << int(o);
    }
}

// Preview frames are drawn into kept buffers, putting back only what moved. Held or let go, each
// frame must equal the scene drawn from scratch at its moment, and a frame still held must not
// change when later ones are made.
TEST(SyntheticSource, KeptBuffersGiveTheSameFramesAsDrawingAfresh) {
    ManualClock clock(0.2);
    SyntheticSource src(clock);
    std::vector<ImageRef> held;
    std::vector<std::vector<uint8_t>> heldBytes;
    for (int i = 0; i < 40; ++i) {
        clock.advance(0.27);  // the ball moves and, now and then, the lit cell
        ImageRef f = src.screenFrame(DeviceOrientation::Portrait, 320, 400);
        ImageRef fresh = SyntheticSource::renderScene(clock.now(), f->width(), f->height());
        ASSERT_EQ(f->copyData(), fresh->copyData()) << "frame " << i;
        if (i % 3 == 0) {
            held.push_back(f);  // kept a while, as the screen keeps the frame on show
            heldBytes.push_back(f->copyData());
        }
        if (held.size() > 2) {
            held.erase(held.begin());
            heldBytes.erase(heldBytes.begin());
        }
        for (size_t k = 0; k < held.size(); ++k) ASSERT_EQ(held[k]->copyData(), heldBytes[k]) << "frame " << i;
    }
}

// Two held screen frames differ only inside the rectangles the source names for them, which are
// small; turned copies it cannot vouch for are left to a whole comparison.
TEST(SyntheticSource, NamesWhereTwoHeldFramesCanDiffer) {
    ManualClock clock(0.4);
    SyntheticSource src(clock);
    ImageRef earlier = src.screenFrame(DeviceOrientation::Portrait, 320, 400);
    int changedFrames = 0;
    for (int i = 0; i < 30; ++i) {
        clock.advance(0.13);  // the ball moves every time, the lit cell now and then
        ImageRef later = src.screenFrame(DeviceOrientation::Portrait, 320, 400);
        std::vector<Rect> rects;
        ASSERT_TRUE(src.screenFrameChanges(*earlier, *later, &rects)) << "frame " << i;
        float area = 0;
        for (const Rect& r : rects) area += r.width() * r.height();
        EXPECT_LT(area, later->width() * later->height() / 8.0f);
        int differing = 0, outside = 0;
        for (int y = 0; y < later->height(); ++y)
            for (int x = 0; x < later->width(); ++x) {
                if (std::memcmp(later->pixel(x, y), earlier->pixel(x, y), 3) == 0) continue;
                ++differing;
                const bool named = std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
                    return r.contains(Point{x + 0.5f, y + 0.5f});
                });
                outside += !named;
            }
        EXPECT_EQ(outside, 0) << "frame " << i;
        changedFrames += differing > 0;
        earlier = later;
    }
    EXPECT_EQ(changedFrames, 30);

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
