#include "CameraTestSupport.h"

#include "platform/camera/SensorFrame.h"

#include <gtest/gtest.h>

using namespace platform;
using cameratest::bgr;

namespace {
// A 2 x 3 upright picture whose pixels are numbered 1..6 in reading order (in the blue byte).
ImageRef numbered() {
    return cameratest::paint(2, 3, [](int x, int y) { return std::array<uint8_t, 3>{uint8_t(1 + y * 2 + x), 0, 0}; });
}
std::vector<int> numbers(const ImageRef& im) {
    std::vector<int> out;
    for (int y = 0; y < im->height(); ++y)
        for (int x = 0; x < im->width(); ++x) out.push_back(bgr(im, x, y)[0]);
    return out;
}
}  // namespace

TEST(SensorFrame, QuarterTurnsPerOrientation) {
    // Upright:  1 2
    //           3 4
    //           5 6
    ImageRef up = numbered();
    EXPECT_EQ(numbers(SensorFrame::fromUpright(up, DeviceOrientation::LandscapeLeft)),
              (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(numbers(SensorFrame::fromUpright(up, DeviceOrientation::LandscapeRight)),
              (std::vector<int>{6, 5, 4, 3, 2, 1}));
    // Counter-clockwise (portrait): 2 4 6 / 1 3 5.
    ImageRef ccw = SensorFrame::fromUpright(up, DeviceOrientation::Portrait);
    EXPECT_EQ(ccw->width(), 3);
    EXPECT_EQ(ccw->height(), 2);
    EXPECT_EQ(numbers(ccw), (std::vector<int>{2, 4, 6, 1, 3, 5}));
    // Clockwise (upside down): 5 3 1 / 6 4 2.
    EXPECT_EQ(numbers(SensorFrame::fromUpright(up, DeviceOrientation::PortraitUpsideDown)),
              (std::vector<int>{5, 3, 1, 6, 4, 2}));
    // Unknown and face up/down count as portrait.
    EXPECT_EQ(numbers(SensorFrame::fromUpright(up, DeviceOrientation::Unknown)), numbers(ccw));
    EXPECT_EQ(numbers(SensorFrame::fromUpright(up, DeviceOrientation::FaceDown)), numbers(ccw));
}

// The screen's frame straight from the world, in one turn, is the sensor's frame turned for the
// screen, in every orientation.
TEST(SensorFrame, ScreenFrameFromTheWorldInOneTurn) {
    ImageRef world = cameratest::paint(30, 20, [](int x, int y) {
        return std::array<uint8_t, 3>{uint8_t(x * 8), uint8_t(y * 12), uint8_t(x * y)};
    });
    for (DeviceOrientation o : {DeviceOrientation::Portrait, DeviceOrientation::PortraitUpsideDown,
                                DeviceOrientation::LandscapeLeft, DeviceOrientation::LandscapeRight}) {
        ImageRef direct = SensorFrame::screenFromWorld(world, 8, 10, o);
        ImageRef twoTurns = SensorFrame::forPortraitScreen(SensorFrame::fromWorld(world, 10, 8, o));
        ASSERT_TRUE(direct && twoTurns) << "orientation " << int(o);
        EXPECT_EQ(direct->width(), 8);
        EXPECT_EQ(direct->height(), 10);
        EXPECT_EQ(direct->copyData(), twoTurns->copyData()) << "orientation " << int(o);
    }
}

TEST(SensorFrame, WorldIsCroppedToTheSensorShapeAroundItsCentre) {
    // Crops: wider pictures lose their sides, taller ones their top and bottom.
    EXPECT_EQ(SensorFrame::centredCrop(64, 32, 4.0 / 3), Rect(10, 0, 43, 32));
    EXPECT_EQ(SensorFrame::centredCrop(30, 40, 4.0 / 3), Rect(0, 8, 30, 23));
    EXPECT_EQ(SensorFrame::centredCrop(40, 30, 4.0 / 3), Rect(0, 0, 40, 30));
    // A world covers a 1600 x 1200 frame when its crops of both shapes are at least that large,
    // exactly so included.
    EXPECT_TRUE(SensorFrame::covers(1600, 1600, 1600, 1200));
    EXPECT_FALSE(SensorFrame::covers(1599, 1600, 1600, 1200));
    EXPECT_FALSE(SensorFrame::covers(1600, 1599, 1600, 1200));
    EXPECT_FALSE(SensorFrame::covers(2000, 1500, 1600, 1200));  // landscape only

    // A 12 x 4 world: red side bands of 3 columns, green left half, blue right half of the
    // middle. As a 3 x 2 landscape frame: the middle 6 columns, halved.
    ImageRef world = cameratest::paint(12, 4, [](int x, int) -> std::array<uint8_t, 3> {
        if (x < 3 || x >= 9) return {0, 0, 255};
        return x < 6 ? std::array<uint8_t, 3>{0, 255, 0} : std::array<uint8_t, 3>{255, 0, 0};
    });
    ImageRef f = SensorFrame::fromWorld(world, 3, 2, DeviceOrientation::LandscapeLeft);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->width(), 3);
    EXPECT_EQ(f->height(), 2);
    EXPECT_EQ(bgr(f, 0, 0), (std::array<uint8_t, 3>{0, 255, 0}));
    EXPECT_EQ(bgr(f, 2, 1), (std::array<uint8_t, 3>{255, 0, 0}));
    // Portrait, a 6 x 4 frame of a 12 x 6 world: the upright shape is 4 wide x 6 tall, cut from
    // columns 4..7 (green 4-5, blue 6-7), then turned counter-clockwise: the world's left ends up
    // along the frame's bottom edge, its right along the top.
    ImageRef tall = cameratest::paint(12, 6, [](int x, int) -> std::array<uint8_t, 3> {
        if (x < 4 || x >= 8) return {0, 0, 255};
        return x < 6 ? std::array<uint8_t, 3>{0, 255, 0} : std::array<uint8_t, 3>{255, 0, 0};
    });
    ImageRef p = SensorFrame::fromWorld(tall, 6, 4, DeviceOrientation::Portrait);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->width(), 6);
    ASSERT_EQ(p->height(), 4);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(bgr(p, x, 3), (std::array<uint8_t, 3>{0, 255, 0})) << x;
        EXPECT_EQ(bgr(p, x, 0), (std::array<uint8_t, 3>{255, 0, 0})) << x;
    }

    // Shrinking by a factor that is not whole (1000 x 750 to 400 x 320 after the crop) keeps a flat
    // colour exact, white included, so a thumbnail is as bright as its picture.
    for (const cameratest::BGR c : {cameratest::BGR{200, 150, 100}, cameratest::BGR{255, 255, 255}}) {
        const ImageRef flat = cameratest::solid(1000, 750, c);
        ImageRef preview = SensorFrame::fromWorld(flat, 400, 320, DeviceOrientation::Portrait);
        for (auto [x, y] : {std::pair{0, 0}, std::pair{199, 160}, std::pair{399, 319}})
            EXPECT_EQ(bgr(preview, x, y), c) << x << "," << y;
        EXPECT_EQ(bgr(SensorFrame::fromWorld(flat, 1600, 1200, DeviceOrientation::LandscapeLeft), 800, 600), c);
    }

    EXPECT_FALSE(SensorFrame::fromWorld(nullptr, 3, 2, DeviceOrientation::Portrait));
    EXPECT_FALSE(SensorFrame::fromWorld(Image::createGray(4, 4, std::vector<uint8_t>(16)), 3, 2,
                                        DeviceOrientation::LandscapeLeft));
}
