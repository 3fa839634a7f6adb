#include "CameraTestSupport.h"
#include "FakeVideoDevice.h"

#include "platform/camera/CameraSourceFactory.h"
#include "platform/camera/PipeWireCameraNode.h"
#include "platform/camera/PipeWireFormats.h"
#include "platform/camera/PipeWireSource.h"
#include "platform/camera/VideoFrameConverter.h"
#include "tests/support/PipeWireCamera.h"
#include "tests/support/PipeWireDaemon.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <chrono>
#include <cstdlib>
#include <memory>

using namespace platform;
using cameratest::bgr;
using cameratest::BGR;
using cameratest::expectNear;
using cameratest::pictureCentre;

namespace {
BGR colourOf(uint32_t argb) { return {uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16)}; }
}  // namespace

TEST(PipeWireFormats, NodeFormatsBecomeModesAndTheChoiceBecomesAnOffer) {
    uint8_t buffer[8192];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    // A node offering YUY2, an unread format, NV12 and R,G,B,X over a range of sizes, 1 to 60 frames.
    const spa_rectangle defSize{640, 480}, minSize{320, 240}, maxSize{1920, 1080};
    const spa_fraction defRate{30, 1}, minRate{1, 1}, maxRate{60, 1};
    const spa_pod* ranged = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_YUY2, SPA_VIDEO_FORMAT_YUY2, SPA_VIDEO_FORMAT_UYVY,
                               SPA_VIDEO_FORMAT_NV12, SPA_VIDEO_FORMAT_RGBx),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defRate, &minRate, &maxRate)));
    const auto modes = PipeWireFormats::modes(ranged);
    // Each readable format at the default, the largest and the usual sizes within the range.
    ASSERT_EQ(modes.size(), 3u * 6u);
    EXPECT_EQ(modes[0].pixelFormat, kFourccYUYV);
    EXPECT_EQ(modes[6].pixelFormat, kFourccNV12);
    EXPECT_EQ(modes[12].pixelFormat, kFourccRGBX);
    EXPECT_EQ(modes[1].width, 1920);
    EXPECT_EQ(modes[1].height, 1080);
    EXPECT_EQ(modes[0].intervals, (std::vector<FrameInterval>{{1, 30}, {1, 1}, {1, 60}, {1, 15}}));
    // The chooser takes the largest fast 16:9 size, YUY2 before NV12, at 30 frames.
    const auto chosen = VideoModeChooser::candidates(modes, PipeWireFormats::readable());
    ASSERT_GE(chosen.size(), 2u);
    EXPECT_EQ(chosen[0], (VideoModeChooser::Candidate{kFourccYUYV, 1920, 1080, {1, 30}}));
    EXPECT_EQ(chosen[1], (VideoModeChooser::Candidate{kFourccNV12, 1920, 1080, {1, 30}}));

    // MJPG at fixed sizes, each rate of an enumeration.
    const spa_rectangle hd{1280, 720};
    const spa_fraction r30{30, 1}, r15{15, 1};
    const spa_pod* mjpg = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_mjpg), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&hd),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_ENUM_Fraction(3, &r30, &r30, &r15)));
    const auto mjpgModes = PipeWireFormats::modes(mjpg);
    ASSERT_EQ(mjpgModes.size(), 1u);
    EXPECT_EQ(mjpgModes[0].pixelFormat, kFourccMJPEG);
    EXPECT_EQ(mjpgModes[0].width, 1280);
    EXPECT_EQ(mjpgModes[0].intervals, (std::vector<FrameInterval>{{1, 30}, {1, 15}}));
    EXPECT_TRUE(PipeWireFormats::modes(nullptr).empty());

    // The offer for a choice is a fixed format that reads back as that choice.
    for (uint32_t pf : PipeWireFormats::readable()) {
        const spa_pod* offer = PipeWireFormats::offer(&b, {pf, 1280, 720, {1, 30}});
        ASSERT_TRUE(offer);
        const auto f = PipeWireFormats::negotiated(offer);
        ASSERT_TRUE(f) << pf;
        EXPECT_EQ(*f, (VideoFormat{pf, 1280, 720, 0}));
        const auto m = PipeWireFormats::modes(offer);
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].intervals, (std::vector<FrameInterval>{{1, 30}}));
    }
}

TEST(PipeWireCameraNode, NameMatchesNameDescriptionOrSerialAndCamerasComeFirst) {
    const std::vector<PipeWireCameraNode> nodes{{40, "101", "screen", "Screen cast", ""},
                                                {41, "102", "v4l2_input.usb", "HD Webcam", "Camera"},
                                                {42, "103", "other", "HD Webcam", ""}};
    EXPECT_EQ(PipeWireCameraNode::choose(nodes, "")->id, 41u);
    EXPECT_EQ(PipeWireCameraNode::choose(nodes, "screen")->id, 40u);
    EXPECT_EQ(PipeWireCameraNode::choose(nodes, "Screen cast")->id, 40u);
    EXPECT_EQ(PipeWireCameraNode::choose(nodes, "103")->id, 42u);
    EXPECT_EQ(PipeWireCameraNode::choose(nodes, "HD Webcam")->id, 41u);
    EXPECT_EQ(PipeWireCameraNode::choose({nodes[0], nodes[2]}, "")->id, 40u);
    EXPECT_EQ(PipeWireCameraNode::choose(nodes, "40"), nullptr);  // an id is no name
}

TEST(VideoFrameConverter, PlanarAndFourByteFormatsConvertFromPlanesApartOrTogether) {
    // 2 x 2: NV12 and I420 of one grey-blue colour (Y 41, U 240, V 110: blue), stride-padded.
    const std::vector<uint8_t> y{41, 41, 0, 41, 41, 0};
    const std::vector<uint8_t> uv{240, 110, 0};
    const std::vector<uint8_t> u{240, 0}, v{110, 0};
    const VideoFormat nv12{kFourccNV12, 2, 2, 3}, i420{kFourccI420, 2, 2, 3};
    auto near = [](ImageRef im, BGR c, const char* what) {
        ASSERT_TRUE(im) << what;
        for (int yy = 0; yy < 2; ++yy)
            for (int xx = 0; xx < 2; ++xx) expectNear(bgr(im, xx, yy), c, 2, what);
    };
    near(VideoFrameConverter::toBGRX(nv12, {{y.data(), y.size(), 3}, {uv.data(), uv.size(), 3}}), {255, 0, 0}, "nv12");
    near(VideoFrameConverter::toBGRX(i420, {{y.data(), y.size(), 3}, {u.data(), u.size(), 2}, {v.data(), v.size(), 2}}),
         {255, 0, 0}, "i420");
    // In one buffer: chroma follows luma (I420's U and V at half the luma stride).
    std::vector<uint8_t> nv12One = y;
    nv12One.insert(nv12One.end(), uv.begin(), uv.end());
    near(VideoFrameConverter::toBGRX(nv12, nv12One.data(), nv12One.size()), {255, 0, 0}, "nv12 one buffer");
    const std::vector<uint8_t> i420One{41, 41, 0, 41, 41, 0, 240, 0, 110, 0};
    near(VideoFrameConverter::toBGRX({kFourccI420, 2, 2, 3}, i420One.data(), i420One.size()), {255, 0, 0},
         "i420 one buffer");
    // A buffer one byte short of its last plane is refused; an odd height has a chroma row for
    // its last luma row too.
    EXPECT_FALSE(VideoFrameConverter::toBGRX(nv12, nv12One.data(), nv12One.size() - 2));
    EXPECT_FALSE(VideoFrameConverter::toBGRX(i420, i420One.data(), i420One.size() - 2));
    const std::vector<uint8_t> tall{41, 41, 0, 41, 41, 0, 41, 41, 0, 240, 110, 0, 240, 110};
    EXPECT_TRUE(VideoFrameConverter::toBGRX({kFourccNV12, 2, 3, 3}, tall.data(), tall.size()));
    EXPECT_FALSE(VideoFrameConverter::toBGRX({kFourccNV12, 2, 3, 3}, tall.data(), tall.size() - 3));

    // B,G,R,X and R,G,B,X: bytes as sent, the X byte made opaque.
    const std::vector<uint8_t> four{1, 2, 3, 0, 4, 5, 6, 7};
    ImageRef b = VideoFrameConverter::toBGRX({kFourccBGRX, 2, 1, 8}, four.data(), four.size());
    ImageRef r = VideoFrameConverter::toBGRX({kFourccRGBX, 2, 1, 8}, four.data(), four.size());
    ASSERT_TRUE(b && r);
    EXPECT_EQ(cameratest::px(b, 1, 0), (std::array<uint8_t, 4>{4, 5, 6, 255}));
    EXPECT_EQ(cameratest::px(r, 0, 0), (std::array<uint8_t, 4>{3, 2, 1, 255}));
    EXPECT_FALSE(VideoFrameConverter::toBGRX({kFourccBGRX, 2, 1, 8}, four.data(), 7));
}

// A real PipeWire and WirePlumber, cameras published by GStreamer.
class PipeWireSourceTest : public ::testing::Test {
protected:
    testenv::PipeWireDaemon pw;
    ManualClock clock{10.0};
    RunLoop loop{clock};
    std::vector<std::string> warnings;
    std::vector<std::unique_ptr<testenv::ScopedEnv>> env;  // put back after the test

    void SetUp() override {
        // Installed but not coming up is a failure, not a skip: a loaded machine must not hide one.
        if (!pw.start()) {
            if (pw.missing()) GTEST_SKIP() << pw.error();
            FAIL() << pw.error();
        }
        // This process is the daemon's client.
        env.push_back(std::make_unique<testenv::ScopedEnv>("PIPEWIRE_REMOTE", nullptr));
        for (const auto& [name, value] : pw.environment())
            env.push_back(std::make_unique<testenv::ScopedEnv>(name, value.c_str()));
    }
    // Fast retries, a patient first connection. A stream counts as silent after `stallSeconds`,
    // well above the usual two: a loaded machine can take seconds to bring a stream's first frame
    // or to say that a node went, and silence must not be noticed before either.
    std::unique_ptr<PipeWireSource> open(const std::string& name, double stallSeconds = 60) {
        PipeWireSource::Timing t;
        t.connectTimeout = 10;
        t.reopenInterval = 0.05;
        t.stallSeconds = stallSeconds;
        std::string error;
        auto src = PipeWireSource::open(name, loop, &error, [this](const std::string& l) { warnings.push_back(l); }, t);
        EXPECT_TRUE(src) << error;
        return src;
    }
    // Waits for a frame newer than those seen so far.
    bool nextFrame(LiveCameraSource& src, double seconds = 20) {
        const uint64_t before = src.framesDelivered();
        return cameratest::waitFor(loop, [&] { return src.framesDelivered() > before; }, seconds);
    }
    // What a failed wait saw: the source's state, its lines and the daemons' output.
    std::string seen(const LiveCameraSource& src) const {
        return "lost=" + std::to_string(src.isLost()) + " frames=" + std::to_string(src.framesDelivered()) +
               " format=" + std::to_string(src.format().pixelFormat) + "\nlines: " + testing::PrintToString(warnings) +
               "\ndaemon:\n" + pw.log();
    }
};

TEST_F(PipeWireSourceTest, StreamsTheCameraLosesItAndTakesTheNextOneInEachFormat) {
    testenv::PipeWireCamera yuy2, nv12, mjpg;
    ASSERT_TRUE(yuy2.start(pw, {.name = "cam-yuy2", .argb = 0xff3366cc})) << yuy2.error();
    auto src = open("", 8);
    ASSERT_TRUE(src);
    EXPECT_EQ(src->cameraAtStart(), "cam-yuy2");

    // Frames at the camera's one mode; a picture once they have settled (the live sources' test).
    ASSERT_TRUE(nextFrame(*src)) << seen(*src);
    EXPECT_EQ(src->format().pixelFormat, kFourccYUYV);
    EXPECT_EQ(src->format().width, 1280);
    EXPECT_EQ(src->format().height, 720);
    loop.runFor(std::chrono::milliseconds(500));
    ASSERT_TRUE(nextFrame(*src)) << seen(*src);
    expectNear(pictureCentre(*src), colourOf(0xff3366cc), 4, "yuy2");

    // Removed: one line with the reason (the stand-in that shows then is the live sources' test's).
    yuy2.stop();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->isLost(); }, 30)) << seen(*src);
    ASSERT_EQ(warnings.size(), 1u) << seen(*src);
    EXPECT_NE(warnings[0].find("camera pipewire lost (camera removed)"), std::string::npos) << warnings[0];

    // A camera of another format appearing later is taken, without another line.
    ASSERT_TRUE(nv12.start(pw, {.name = "cam-nv12", .format = "NV12", .argb = 0xffcc3366})) << nv12.error();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return !src->isLost(); }, 30)) << seen(*src);
    ASSERT_TRUE(nextFrame(*src)) << seen(*src);
    EXPECT_EQ(src->format().pixelFormat, kFourccNV12);
    expectNear(pictureCentre(*src), colourOf(0xffcc3366), 4, "nv12");
    EXPECT_EQ(warnings.size(), 1u) << seen(*src);

    // Silent (the whole daemon stopped): lost with that reason; frames again: back.
    pw.freeze();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->isLost(); }, 30)) << seen(*src);
    ASSERT_EQ(warnings.size(), 2u) << seen(*src);
    EXPECT_NE(warnings[1].find("(no frame for 8 s)"), std::string::npos) << warnings[1];
    pw.thaw();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return !src->isLost(); }, 30)) << seen(*src);
    expectNear(pictureCentre(*src), colourOf(0xffcc3366), 4, "nv12 again");

    // MJPG.
    nv12.stop();
    ASSERT_TRUE(mjpg.start(pw, {.name = "cam-mjpg", .format = "MJPG", .argb = 0xff66cc33})) << mjpg.error();
    ASSERT_TRUE(cameratest::waitFor(
        loop, [&] { return !src->isLost() && src->format().pixelFormat == kFourccMJPEG; }, 30))
        << seen(*src);
    ASSERT_TRUE(nextFrame(*src)) << seen(*src);
    expectNear(pictureCentre(*src), colourOf(0xff66cc33), 6, "mjpg");
    ASSERT_EQ(warnings.size(), 3u) << seen(*src);

    // The daemon gone: lost, said once; a daemon and a camera again: back.
    pw.stop();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->isLost(); }, 30)) << seen(*src);
    ASSERT_EQ(warnings.size(), 4u) << seen(*src);
    EXPECT_NE(warnings[3].find("(PipeWire went away)"), std::string::npos) << warnings[3];
    ASSERT_TRUE(pw.start()) << pw.error();
    ASSERT_TRUE(yuy2.start(pw, {.name = "cam-yuy2", .argb = 0xff3366cc})) << yuy2.error();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return !src->isLost(); }, 30)) << seen(*src);
    expectNear(pictureCentre(*src), colourOf(0xff3366cc), 4, "after the daemon came back");
}

TEST_F(PipeWireSourceTest, NameChoosesTheNodeAndAutoPrefersPipeWireToWebcams) {
    testenv::PipeWireCamera cam;
    ASSERT_TRUE(cam.start(pw, {.name = "cam", .width = 640, .height = 480, .argb = 0xffd0e0f0})) << cam.error();

    // A name nothing has yet, though a Camera is there: the stand-in, no line, until it appears.
    {
        auto src = open("later");
        ASSERT_TRUE(src);
        EXPECT_EQ(src->description(), "pipewire:later");
        EXPECT_TRUE(src->cameraAtStart().empty());
        EXPECT_TRUE(src->isLost());
        EXPECT_TRUE(src->hasPicture());
        testenv::PipeWireCamera later;
        ASSERT_TRUE(later.start(pw, {.name = "later", .format = "MJPG", .argb = 0xff808080})) << later.error();
        ASSERT_TRUE(nextFrame(*src)) << seen(*src);
        EXPECT_FALSE(src->isLost());
        EXPECT_TRUE(warnings.empty());
    }

    // auto in a window: PipeWire's camera though a webcam is there too; without PipeWire cameras
    // the webcam; without either, waiting for PipeWire, said in one line. (With no daemon it goes
    // on as when PipeWire is not tried: the factory's own test.)
    CameraSourceFactory::Hardware hw;
    hw.windowShown = true;
    hw.listDevices = [] { return std::vector<std::string>{"/dev/video1"}; };
    hw.makeDevice = [] {
        auto d = std::make_unique<FakeVideoDevice>();
        d->table = FakeVideoDevice::vgaWebcam();
        return d;
    };
    auto warn = [this](const std::string& l) { warnings.push_back(l); };
    EXPECT_EQ(CameraSourceFactory::create("auto", clock, loop, warn, hw)->description(), "pipewire");
    cam.stop();
    EXPECT_EQ(CameraSourceFactory::create("auto", clock, loop, warn, hw)->description(), "v4l2:/dev/video1");
    EXPECT_TRUE(warnings.empty());
    hw.listDevices = [] { return std::vector<std::string>{}; };
    EXPECT_EQ(CameraSourceFactory::create("auto", clock, loop, warn, hw)->description(), "pipewire");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("until a PipeWire camera appears"), std::string::npos) << warnings[0];

    // A daemon that does not answer in time, and none at all.
    pw.freeze();
    std::string error;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(PipeWireSource::open("", loop, &error));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_NE(error.find("does not answer"), std::string::npos) << error;
    pw.thaw();
    pw.stop();
    EXPECT_FALSE(PipeWireSource::open("", loop, &error));
    EXPECT_NE(error.find("no PipeWire daemon"), std::string::npos) << error;
}
