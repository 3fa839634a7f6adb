// The sound output opened on a thread of its own, with outputs and openers of our own making:
// one that fails, one that never answers until the test lets it, one that is lost while open,
// and one whose closing hangs. The main loop runs on a manual clock, so the deadline is exact;
// the opener's thread is waited for in real time, with deadlines.
#include "host/window/BackgroundAudioSink.h"

#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using host::AudioOutput;
using host::BackgroundAudioSink;
using platform::Seconds;

namespace {

// What a test's outputs share with it.
struct Shared {
    std::atomic<int> plays{0};
    std::atomic<bool> lost{false}, closed{false}, holdClose{false};  // the close waits while held
    std::thread::id closedOn;
};

struct FakeOutput final : AudioOutput {
    Shared* shared;
    explicit FakeOutput(Shared* s) : shared(s) {}
    ~FakeOutput() override {
        while (shared->holdClose) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        shared->closedOn = std::this_thread::get_id();
        shared->closed = true;
    }
    void play(std::shared_ptr<const platform::PcmSound>) override { ++shared->plays; }
    bool lost() const override { return shared->lost; }
};

struct Fixture : Shared {
    platform::ManualClock clock;
    platform::RunLoop loop{clock};
    std::vector<std::string> lines;
    std::atomic<bool> entered{false}, release{false}, returned{false};
    const std::shared_ptr<const platform::PcmSound> sound = std::make_shared<platform::PcmSound>();

    BackgroundAudioSink::Reporter reporter() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
    std::unique_ptr<AudioOutput> output() { return std::make_unique<FakeOutput>(this); }
    // Runs the loop's posts (not its clock) until `done`, for at most 10 s of real time.
    bool turnUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            loop.runDue(platform::RunLoopMode::Common);
            loop.waitForWork(0.01);
        }
        return true;
    }
    static bool within10s(const std::function<void()>& fn) {
        auto f = std::async(std::launch::async, fn);
        return f.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    }
};

}  // namespace

// Opened off the main thread; played; lost, it is heard no more and said once; closed on its thread.
TEST(BackgroundAudioSink, OpensPlaysAndClosesOffTheMainThread) {
    Fixture f;
    std::thread::id openedOn;
    auto sink = std::make_unique<BackgroundAudioSink>(
        f.loop, [&](std::string*) { openedOn = std::this_thread::get_id(); return f.output(); }, Seconds(3),
        f.reporter());
    ASSERT_TRUE(f.turnUntil([&] { return sink->open(); }));
    EXPECT_NE(openedOn, std::this_thread::get_id());
    sink->play(f.sound);
    sink->play(f.sound);
    EXPECT_EQ(f.plays, 2);
    f.lost = true;
    sink->play(f.sound);
    sink->play(f.sound);
    EXPECT_EQ(f.plays, 2);
    // Well after the deadline: the output opened in time, so nothing more is said.
    f.loop.runFor(Seconds(10), platform::RunLoopMode::Common);
    EXPECT_EQ(f.lines, (std::vector<std::string>{"kestrova: no sound (the sound output went away)"}));
    sink.reset();
    EXPECT_TRUE(f.closed);
    EXPECT_NE(f.closedOn, std::this_thread::get_id());
}

TEST(BackgroundAudioSink, NoOutputIsOneLineWithTheReason) {
    Fixture f;
    BackgroundAudioSink sink(
        f.loop, [](std::string* why) { *why = "no device"; return std::unique_ptr<AudioOutput>(); }, Seconds(3),
        f.reporter());
    ASSERT_TRUE(f.turnUntil([&] { return !f.lines.empty(); }));
    sink.play(f.sound);
    f.loop.runFor(Seconds(10), platform::RunLoopMode::Common);
    EXPECT_EQ(f.lines, (std::vector<std::string>{"kestrova: no sound (no device)"}));
    EXPECT_FALSE(sink.open());

    // Said even when the program ends before its loop turned again.
    Fixture g;
    auto quick = std::make_unique<BackgroundAudioSink>(
        g.loop, [](std::string* why) { *why = "no device"; return std::unique_ptr<AudioOutput>(); }, Seconds(3),
        g.reporter());
    g.loop.waitForWork(10.0);  // the opener's result is posted
    quick.reset();
    g.loop.runDue(platform::RunLoopMode::Common);
    EXPECT_EQ(g.lines, (std::vector<std::string>{"kestrova: no sound (no device)"}));
}

TEST(BackgroundAudioSink, AServerThatDoesNotAnswerNeitherBlocksNorIsWaitedFor) {
    Fixture f;
    auto opener = [&](std::string*) {
        while (!f.release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        f.returned = true;
        return f.output();
    };
    auto sink = std::make_unique<BackgroundAudioSink>(f.loop, opener, Seconds(3), f.reporter());
    sink->play(f.sound);  // not open yet: nothing heard, nothing waited for
    f.loop.runFor(Seconds(2.9), platform::RunLoopMode::Common);
    EXPECT_TRUE(f.lines.empty());
    f.loop.runFor(Seconds(0.2), platform::RunLoopMode::Common);
    EXPECT_EQ(f.lines, (std::vector<std::string>{"kestrova: no sound (the sound server did not answer within 3 s)"}));
    // The output answering late is still used, without another line.
    f.release = true;
    ASSERT_TRUE(f.turnUntil([&] { return sink->open(); }));
    sink->play(f.sound);
    EXPECT_EQ(f.plays, 1);
    EXPECT_EQ(f.lines.size(), 1u);

    // A sink that goes while its opener still hangs does not wait for it; the output the opener
    // returns after that is left alone.
    Fixture g;
    auto hanging = std::make_unique<BackgroundAudioSink>(
        g.loop,
        [&](std::string*) {
            g.entered = true;
            while (!g.release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            g.returned = true;
            return std::unique_ptr<AudioOutput>();
        },
        Seconds(3), g.reporter());
    ASSERT_TRUE(g.turnUntil([&] { return g.entered.load(); }));
    EXPECT_TRUE(Fixture::within10s([&] { hanging.reset(); }));
    g.release = true;
    ASSERT_TRUE(g.turnUntil([&] { return g.returned.load(); }));
    EXPECT_TRUE(g.lines.empty());
}

TEST(BackgroundAudioSink, AClosingThatHangsIsLeftBehind) {
    Fixture f;
    f.holdClose = true;
    auto sink = std::make_unique<BackgroundAudioSink>(f.loop, [&](std::string*) { return f.output(); }, Seconds(3),
                                                      f.reporter());
    ASSERT_TRUE(f.turnUntil([&] { return sink->open(); }));
    EXPECT_TRUE(Fixture::within10s([&] { sink.reset(); }));
    EXPECT_FALSE(f.closed);
    f.holdClose = false;
    EXPECT_TRUE(f.turnUntil([&] { return f.closed.load(); }));
}

TEST(BackgroundAudioSink, AnIdleOutputClosesAndTheNextSoundOpensItAgain) {
    Fixture f;
    std::atomic<int> opens{0};
    std::atomic<bool> slow{false};
    BackgroundAudioSink sink(
        f.loop,
        [&](std::string*) {
            ++opens;
            while (slow) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            f.closed = false;
            return f.output();
        },
        Seconds(3), f.reporter());
    ASSERT_TRUE(f.turnUntil([&] { return sink.open(); }));
    // Each sound keeps it open for the idle time after it.
    f.loop.runFor(BackgroundAudioSink::kIdleClose * 0.9, platform::RunLoopMode::Common);
    sink.play(f.sound);
    f.loop.runFor(BackgroundAudioSink::kIdleClose * 0.9, platform::RunLoopMode::Common);
    EXPECT_TRUE(sink.open());
    f.loop.runFor(BackgroundAudioSink::kIdleClose * 0.2, platform::RunLoopMode::Common);
    EXPECT_FALSE(sink.open());
    ASSERT_TRUE(f.turnUntil([&] { return sink.idle(); }));
    EXPECT_TRUE(f.closed);
    EXPECT_NE(f.closedOn, std::this_thread::get_id());

    // The next sound is heard once the output is open again.
    sink.play(f.sound);
    ASSERT_TRUE(f.turnUntil([&] { return f.plays == 2; }));
    EXPECT_EQ(opens, 2);
    EXPECT_TRUE(f.lines.empty());

    // One that waited too long for it is not.
    f.loop.runFor(BackgroundAudioSink::kIdleClose * 1.1, platform::RunLoopMode::Common);
    ASSERT_TRUE(f.turnUntil([&] { return sink.idle(); }));
    slow = true;
    sink.play(f.sound);
    ASSERT_TRUE(f.turnUntil([&] { return opens == 3; }));
    f.clock.advance(BackgroundAudioSink::kLateSound.count() * 1.5);
    slow = false;
    ASSERT_TRUE(f.turnUntil([&] { return sink.open(); }));
    EXPECT_EQ(f.plays, 2);
}
