// The main-thread check and the report of programming errors, in this build's configuration:
// debug and sanitizer builds stop at either; a release build skips the thread check and reports
// a programming error in one line.
#include "platform/foundation/Clock.h"
#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/ProgrammingError.h"
#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>

using namespace platform;

namespace {

int mainThreadOnlyCalls = 0;

void mainThreadOnly() {
    KESTROVA_ASSERT_MAIN_THREAD();
    ++mainThreadOnlyCalls;
}

int verified(int value) {
    KESTROVA_VERIFY(value > 0, "a value that must be positive");
    return value;
}

}  // namespace

TEST(MainThreadChecker, TheMainThreadIsTheThreadThatMadeTheMainLoop) {
    // No main loop yet: no thread is off it.
    ASSERT_EQ(RunLoop::mainIfAny(), nullptr);
    EXPECT_TRUE(MainThreadChecker::calledOnMainThread());
    bool elsewhere = false;
    std::thread([&] { elsewhere = MainThreadChecker::calledOnMainThread(); }).join();
    EXPECT_TRUE(elsewhere);

    ManualClock clock;
    RunLoop loop(clock);
    RunLoop::setMain(&loop);
    EXPECT_TRUE(MainThreadChecker::calledOnMainThread());
    bool onMain = true;
    std::thread([&] { onMain = MainThreadChecker::calledOnMainThread(); }).join();
    EXPECT_FALSE(onMain);

    // A loop made on another thread belongs to that thread, not to the main one.
    std::unique_ptr<RunLoop> other;
    std::thread([&] { other = std::make_unique<RunLoop>(clock); }).join();
    EXPECT_FALSE(MainThreadChecker::calledOnThreadOf(other.get()));
    EXPECT_TRUE(MainThreadChecker::calledOnMainThread());
    RunLoop::setMain(nullptr);
}

TEST(MainThreadChecker, AnAssertOffTheMainThreadStopsTheProgram) {
    if (!KESTROVA_DEBUG_CHECKS) GTEST_SKIP() << "release build: the thread check is compiled out";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ManualClock clock;
    RunLoop loop(clock);
    RunLoop::setMain(&loop);
    EXPECT_DEATH(std::thread(mainThreadOnly).join(), "mainThreadOnly.*called off the main thread");
    // On the main thread the same call goes on.
    mainThreadOnly();
    EXPECT_EQ(mainThreadOnlyCalls, 1);
    RunLoop::setMain(nullptr);
}

TEST(ProgrammingError, IsReportedNeverSwallowed) {
    EXPECT_EQ(verified(3), 3);
    if constexpr (ProgrammingError::kFatal) {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_DEATH(verified(0), "kestrova: internal error: a value that must be positive \\(.*MainThreadCheckerTest");
    } else {
        // A release build says so in one line and goes on.
        testing::internal::CaptureStderr();
        EXPECT_EQ(verified(0), 0);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("kestrova: internal error: a value that must be positive (", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}
