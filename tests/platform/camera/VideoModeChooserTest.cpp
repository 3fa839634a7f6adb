#include "FakeVideoDevice.h"

#include "platform/camera/V4L2Source.h"
#include "platform/camera/VideoModeChooser.h"

#include <gtest/gtest.h>

using namespace platform;
using Candidate = VideoModeChooser::Candidate;

TEST(VideoModeChooser, ChoosesAsAUserWouldOnRealWebcamTables) {
    // (Real webcams' first choices are the listings' test.) A 16:9 webcam whose YUYV manages 5
    // frames a second at 1080p: MJPEG 1080p at 30. Then, for a bus without room, smaller fast
    // modes (MJPEG 720p at 30 rather than 60; YUYV before MJPEG at one size), another shape, and
    // last the slow YUYV sizes, fastest first. libv4l2's own conversions are never taken from a
    // device that sends YUYV or MJPEG.
    const auto wide = VideoModeChooser::candidates(FakeVideoDevice::widescreenWebcam());
    const std::vector<Candidate> expected{{kFourccMJPEG, 1920, 1080, {1, 30}}, {kFourccMJPEG, 1280, 720, {1, 30}},
                                          {kFourccYUYV, 640, 480, {1, 30}},    {kFourccMJPEG, 640, 480, {1, 30}},
                                          {kFourccYUYV, 352, 288, {1, 30}},    {kFourccYUYV, 1280, 720, {1, 10}},
                                          {kFourccYUYV, 1920, 1080, {1, 5}}};
    EXPECT_EQ(wide, expected);

    // An NV12-only webcam: libv4l2's B,G,R conversion at its largest size; never NV12 or YU12.
    const auto nv12 = VideoModeChooser::candidates(FakeVideoDevice::nv12Webcam());
    const std::vector<Candidate> converted{{kFourccBGR24, 1280, 720, {1, 30}}, {kFourccBGR24, 640, 480, {1, 30}}};
    EXPECT_EQ(nv12, converted);

    // A device that lists nothing gets the readable formats to adjust; one that lists only
    // formats nobody reads gets nothing.
    const auto blind = VideoModeChooser::candidates({});
    ASSERT_EQ(blind.size(), 3u);
    EXPECT_EQ(blind[0].pixelFormat, kFourccYUYV);
    EXPECT_TRUE(VideoModeChooser::candidates({{FakeVideoDevice::kNV12, 640, 480, {}, false}}).empty());
}

TEST(VideoModeChooser, IntervalIsTheFastestUpToThirtyFrames) {
    using I = FrameInterval;
    EXPECT_EQ(VideoModeChooser::preferredInterval({{1, 60}, {1, 30}, {1, 15}}), (I{1, 30}));
    EXPECT_EQ(VideoModeChooser::preferredInterval({{1, 15}, {1, 25}, {1, 5}}), (I{1, 25}));
    EXPECT_EQ(VideoModeChooser::preferredInterval({{1, 90}, {1, 60}}), (I{1, 60}));
    EXPECT_EQ(VideoModeChooser::preferredInterval({{1001, 30000}, {1, 5}}), (I{1001, 30000}));
    EXPECT_EQ(VideoModeChooser::preferredInterval({{0, 1}}), (I{}));
    EXPECT_EQ(VideoModeChooser::preferredInterval({}), (I{}));
}

TEST(VideoModeChooser, StreamingStartsOnTheChosenModeWithItsInterval) {
    // The 16:9 webcam: MJPEG 1080p is set, 1/30 s asked with VIDIOC_S_PARM, and it streams.
    FakeVideoDevice wide;
    wide.table = FakeVideoDevice::widescreenWebcam();
    ASSERT_TRUE(wide.open("/dev/video0"));
    auto f = V4L2Source::startStreaming(wide);
    ASSERT_TRUE(f);
    EXPECT_EQ(*f, (VideoFormat{kFourccMJPEG, 1920, 1080, 0}));
    EXPECT_EQ(wide.intervalsAsked, (std::vector<FrameInterval>{{1, 30}}));
    EXPECT_EQ(wide.streamStarts(), 1);

    // No room on the bus for 1080p at 30 (ENOSPC at stream start): 720p is tried next and runs.
    FakeVideoDevice narrowBus;
    narrowBus.table = FakeVideoDevice::widescreenWebcam();
    narrowBus.busBytesPerSecond = 15e6;
    ASSERT_TRUE(narrowBus.open("/dev/video0"));
    f = V4L2Source::startStreaming(narrowBus);
    ASSERT_TRUE(f);
    EXPECT_EQ(*f, (VideoFormat{kFourccMJPEG, 1280, 720, 0}));
    ASSERT_EQ(narrowBus.requested.size(), 2u);
    EXPECT_EQ(narrowBus.requested[0].width, 1920);

    // Busy: the device's own error, and nothing else is tried.
    FakeVideoDevice busy;
    busy.formatErrno = EBUSY;
    ASSERT_TRUE(busy.open("/dev/video0"));
    std::string error;
    EXPECT_FALSE(V4L2Source::startStreaming(busy, &error));
    EXPECT_EQ(error, "VIDIOC_S_FMT: Device or resource busy");
    EXPECT_EQ(busy.requested.size(), 1u);

    // A device that answers every request with a format we cannot read is refused after
    // trying each candidate.
    FakeVideoDevice stubborn;
    stubborn.substitute = FakeVideoDevice::kRGB3;
    stubborn.table.push_back({FakeVideoDevice::kRGB3, 640, 480, {}, false});
    ASSERT_TRUE(stubborn.open("/dev/video0"));
    EXPECT_FALSE(V4L2Source::startStreaming(stubborn, &error));
    EXPECT_EQ(stubborn.requested.size(), VideoModeChooser::candidates(stubborn.table).size());
    EXPECT_EQ(stubborn.streamStarts(), 0);
    EXPECT_NE(error.find("no format that can be read"), std::string::npos);
}
