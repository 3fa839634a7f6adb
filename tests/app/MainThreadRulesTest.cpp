// The delegate's main-thread methods check where they are called from: in a debug or sanitizer
// build a press or a quick-view action from another thread stops the program; from the main
// thread the same press takes its picture.
#include "tests/app/AppFixture.h"

#include "platform/foundation/DebugChecks.h"

#include <thread>

namespace apptest {
namespace {

using MainThreadRulesTest = AppFixture;

TEST_F(MainThreadRulesTest, DelegateMethodsRefuseOtherThreads) {
    if (!KESTROVA_DEBUG_CHECKS) GTEST_SKIP() << "release build: the thread check is compiled out";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    launchReady();
    EXPECT_DEATH(std::thread([&] { delegate->performCapture(); }).join(),
                 "KestrovaAppDelegate::performCapture.*called off the main thread");
    EXPECT_DEATH(std::thread([&] { delegate->hideDelete(); }).join(),
                 "KestrovaAppDelegate::hideDelete.*called off the main thread");
    EXPECT_DEATH(std::thread([&] { delegate->saveSettings(); }).join(),
                 "KestrovaAppDelegate::saveSettings.*called off the main thread");

    delegate->performCapture();
    EXPECT_TRUE(api().takingPicture());
    loop.runFor(platform::Seconds(0.5));
    drain();
    EXPECT_EQ(files100(".JPG"), std::vector<std::string>{"IMG_0001.JPG"});
}

}  // namespace
}  // namespace apptest
