#include "platform/foundation/Clock.h"
#include "platform/foundation/EventLog.h"
#include "platform/foundation/RunLoop.h"
#include "platform/system/ApplicationServices.h"
#include "platform/system/ApplicationServicesHandler.h"
#include "platform/system/DesktopLauncher.h"
#include "platform/system/NotifyPost.h"
#include "tests/support/TestBus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace platform;

namespace {

class RecordingHandler : public ApplicationServicesHandler {
public:
    void launchApplication(const std::string& id, bool suspended) override {
        launches.push_back(id + (suspended ? " suspended" : ""));
    }
    void openURL(const std::string& url) override { urls.push_back(url); }
    std::vector<std::string> launches, urls;
};

}  // namespace

TEST(ApplicationServices, RequestsAreLoggedAndHandedToTheHost) {
    EventLog::clear();
    ApplicationServices services;

    // Without a handler a request is still logged.
    EXPECT_TRUE(services.launchApplicationWithIdentifier("com.apple.mobileslideshow-Photos", false));
    RecordingHandler handler;
    services.setHandler(&handler);
    EXPECT_TRUE(services.launchApplicationWithIdentifier("com.apple.mobileslideshow-Photos", false));
    EXPECT_TRUE(services.openURL("https://kestrova.example/camera?v=2.1"));
    EXPECT_TRUE(notifyPost("com.apple.language.changed"));
    EXPECT_EQ(handler.launches, std::vector<std::string>{"com.apple.mobileslideshow-Photos"});
    EXPECT_EQ(handler.urls, std::vector<std::string>{"https://kestrova.example/camera?v=2.1"});
    EXPECT_EQ(EventLog::lines(), (std::vector<std::string>{"launch com.apple.mobileslideshow-Photos",
                                                           "launch com.apple.mobileslideshow-Photos",
                                                           "open-url https://kestrova.example/camera?v=2.1",
                                                           "notify com.apple.language.changed"}));

    // Text that would break the log's one-line, one-field form, or is no URL, is refused whole.
    EventLog::clear();
    for (const char* bad : {"", "two words", "line\nbreak", "tab\there", "caf\xc3\xa9"}) {
        EXPECT_FALSE(services.launchApplicationWithIdentifier(bad, false)) << bad;
        EXPECT_FALSE(notifyPost(bad)) << bad;
    }
    for (const char* bad : {"", "no-scheme", ":nothing", "1http://x", "http://a b", "http://a\nlaunch x", "ht tp:x"})
        EXPECT_FALSE(services.openURL(bad)) << bad;
    EXPECT_TRUE(EventLog::lines().empty());
    EXPECT_EQ(handler.launches.size(), 1u);
    EXPECT_EQ(handler.urls.size(), 1u);
}

TEST(DesktopLauncher, TheAlbumOpensTheCameraRollAndEndsTheApplicationAfterwards) {
    testenv::ScratchDir root;
    ManualClock clock;
    RunLoop loop(clock);
    RunLoop::setMain(&loop);
    std::vector<std::string> opened;
    int terminations = 0;
    DesktopLauncher launcher(
        root.path(), [&](const std::string& t) { opened.push_back(t); return true; }, [&] { ++terminations; });

    // No camera roll yet: nothing to show, but the application still ends, after the request returns.
    launcher.launchApplication(DesktopLauncher::kPhotoAlbumIdentifier, false);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(terminations, 0);
    loop.runDue();
    EXPECT_EQ(terminations, 1);

    // With one: its folder beneath the device root is opened.
    std::filesystem::create_directories(root / "var/mobile/Media/DCIM/100APPLE");
    launcher.launchApplication(DesktopLauncher::kPhotoAlbumIdentifier, false);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(std::filesystem::path(opened[0]), root / "var/mobile/Media/DCIM");
    loop.runDue();
    EXPECT_EQ(terminations, 2);

    // Launched suspended: the folder, and we keep running. An application we cannot show: no
    // folder, and we end.
    launcher.launchApplication(DesktopLauncher::kPhotoAlbumIdentifier, true);
    launcher.launchApplication("com.example.other", false);
    loop.runDue();
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(terminations, 3);

    // A web address goes to the browser and the application stays.
    launcher.openURL("https://kestrova.example/");
    loop.runDue();
    EXPECT_EQ(opened.back(), "https://kestrova.example/");
    EXPECT_EQ(terminations, 3);

    // Headless: no opener, still ending on a launch.
    DesktopLauncher headless(root.path(), {}, [&] { ++terminations; });
    headless.launchApplication(DesktopLauncher::kPhotoAlbumIdentifier, false);
    headless.openURL("https://kestrova.example/");
    loop.runDue();
    EXPECT_EQ(terminations, 4);
    RunLoop::setMain(nullptr);
}

TEST(DesktopLauncher, XdgOpenIsStartedDetachedOnlyWithADisplay) {
    // A stand-in xdg-open on PATH that records what it was asked to show.
    testenv::ScratchDir bin;
    const auto record = bin / "opened.txt";
    testenv::writeFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > " + testenv::shellQuote(record.string()) + ".tmp\nmv " +
                                             testenv::shellQuote(record.string() + ".tmp") + " " +
                                             testenv::shellQuote(record.string()) + "\n");
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    testenv::ScopedEnv path("PATH", (bin.path().string() + ":/usr/bin:/bin").c_str());

    // No display: no opener, even with xdg-open installed.
    {
        testenv::ScopedEnv x11("DISPLAY", nullptr);
        testenv::ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
        EXPECT_FALSE(static_cast<bool>(DesktopLauncher::xdgOpen()));
    }

    // A display: the program runs with the target as its one argument.
    testenv::ScopedEnv x11("DISPLAY", ":99");
    auto open = DesktopLauncher::xdgOpen();
    ASSERT_TRUE(static_cast<bool>(open));
    EXPECT_TRUE(open("/tmp/some folder/DCIM"));
    // The program is detached; wait for it, as for any external process, with a deadline.
    ASSERT_TRUE(testenv::waitUntil([&] { return std::filesystem::exists(record); })) << "xdg-open never ran";
    EXPECT_EQ(testenv::readFile(record), "/tmp/some folder/DCIM");
}
