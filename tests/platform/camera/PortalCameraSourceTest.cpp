// A sandboxed program's camera: the desktop's camera portal stood in for by python3-dbusmock on a
// private bus, handing over a connection to the test's own PipeWire.
#include "CameraTestSupport.h"

#include "platform/camera/CameraSourceFactory.h"
#include "platform/camera/PortalCameraSource.h"
#include "tests/support/PipeWireCamera.h"
#include "tests/support/PipeWireDaemon.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestBus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

using namespace platform;
using cameratest::bgr;

namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";

class PortalCameraTest : public ::testing::Test {
protected:
    testenv::ScratchDir dir;
    std::vector<std::string> warnings;
    std::optional<testenv::ScopedEnv> remote, runtime, pipewireRuntime;  // put back after the test
    std::optional<testenv::TestBus> bus;  // made once the environment is this test's
    platform::SystemClock clock;
    platform::RunLoop loop{clock};

    void SetUp() override {
        if (!testenv::TestBus::available()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
        std::ofstream(dir / "flatpak-info") << "[Application]\nname=org.kestrova.camera\n";
        // This process reaches no PipeWire by itself: only the portal's connection leads to one.
        std::filesystem::create_directories(dir / "runtime");
        remote.emplace("PIPEWIRE_REMOTE", nullptr);
        runtime.emplace("XDG_RUNTIME_DIR", (dir / "runtime").c_str());
        pipewireRuntime.emplace("PIPEWIRE_RUNTIME_DIR", (dir / "runtime").c_str());
        bus.emplace();
        ASSERT_TRUE(bus->ok());
        platform::RunLoop::setMain(&loop);
    }
    void TearDown() override {
        platform::RunLoop::setMain(nullptr);
        bus.reset();
    }

    std::unique_ptr<CameraSource> make(const std::string& option, const std::string& marker) {
        CameraSourceFactory::Hardware hw;
        hw.windowShown = true;
        hw.sandboxMarker = marker;
        hw.sessionBus = bus->address();
        hw.listDevices = [] { return std::vector<std::string>{}; };
        return CameraSourceFactory::create(option, clock, loop, [this](const std::string& l) { warnings.push_back(l); },
                                           hw);
    }
    std::string marker() const { return (dir / "flatpak-info").string(); }
    std::string portal() const { return testenv::sourceDir() + "/tests/support/camera_portal_mock.py"; }
};

TEST_F(PortalCameraTest, InASandboxTheGrantedCameraStreamsOverThePortalsConnection) {
    testenv::PipeWireDaemon pw;
    if (!pw.start()) {
        if (pw.missing()) GTEST_SKIP() << pw.error();
        FAIL() << pw.error();  // installed but not coming up
    }
    testenv::PipeWireCamera cam;
    ASSERT_TRUE(cam.start(pw, {.name = "portal-cam", .argb = 0xff20c040})) << cam.error();
    const std::string remote = (pw.runtimeDir() / "pipewire-0").string();
    ASSERT_GT(bus->startMock(portal(), R"({"remote": ")" + remote + R"("})", kPortal), 0);

    // Outside the sandbox the same option asks PipeWire itself, which this process cannot reach.
    auto plain = make("pipewire", (dir / "no-such-file").string());
    EXPECT_EQ(dynamic_cast<PortalCameraSource*>(plain.get()), nullptr);
    plain.reset();
    warnings.clear();

    // Inside, `auto` in a window is the portal's camera: the synthetic one until it is granted.
    auto src = make("auto", marker());
    ASSERT_NE(dynamic_cast<PortalCameraSource*>(src.get()), nullptr);
    EXPECT_EQ(src->description(), "pipewire");
    auto green = [&] {
        const auto c = cameratest::pictureCentre(*src);
        return std::abs(c[0] - 0x40) <= 4 && std::abs(c[1] - 0xc0) <= 4 && std::abs(c[2] - 0x20) <= 4;
    };
    ASSERT_TRUE(cameratest::waitFor(loop, green, 20))
        << testing::PrintToString(cameratest::pictureCentre(*src)) << " " << testing::PrintToString(warnings);
    EXPECT_TRUE(warnings.empty()) << testing::PrintToString(warnings);
}

TEST_F(PortalCameraTest, NoPortalOrARefusalLeavesTheSyntheticCameraWithOneLine) {
    for (const std::string response : {"", "1"}) {
        SCOPED_TRACE(response.empty() ? "no portal" : "refused");
        int mock = -1;
        if (!response.empty()) {
            mock = bus->startMock(portal(), R"({"response": )" + response + "}", kPortal);
            ASSERT_GT(mock, 0);
        }
        warnings.clear();
        auto src = make("pipewire:front", marker());
        EXPECT_EQ(src->description(), "pipewire:front");
        ASSERT_TRUE(cameratest::waitFor(loop, [&] { return !warnings.empty(); }, 10));
        loop.runFor(std::chrono::milliseconds(100));
        ASSERT_EQ(warnings.size(), 1u) << testing::PrintToString(warnings);
        const std::string why = response.empty() ? "no camera portal" : "the camera portal refused access";
        EXPECT_NE(warnings[0].find("warning: camera pipewire:front cannot be opened (" + why), std::string::npos)
            << warnings[0];
        ImageRef p = src->pictureFrame(DeviceOrientation::Portrait);
        ASSERT_TRUE(p);
        EXPECT_EQ(bgr(p, 2, p->height() - 3), cameratest::kMark);  // the synthetic camera's
        if (mock > 0) bus->stopMock(mock, kPortal);
    }
}

}  // namespace
