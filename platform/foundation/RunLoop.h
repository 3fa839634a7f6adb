#pragma once
// The main thread's event loop: posted work from any thread, timers, and delayed performs, all on
// one injectable Clock. With a ManualClock, runFor() steps virtual time from one due timer to the
// next, so tests and headless scripts see exact timing without sleeping.
#include "platform/foundation/Clock.h"
#include "platform/foundation/Timer.h"
#include "platform/foundation/TimerHandle.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform {

class IdlingResource;

// A timer added in Common fires in every mode; one added in Default does not fire while the loop
// runs in Tracking (as while a finger drags) or Modal.
enum class RunLoopMode { Default, Tracking, Modal, Common };

// Lets a host sleep in its own event source (SDL) instead of the loop's condition variable.
class RunLoopWaiter {
public:
    virtual ~RunLoopWaiter() = default;
    // Sleeps until wake() or at most `seconds` of real time (negative: no limit).
    virtual void wait(double seconds) = 0;
    // Any thread.
    virtual void wake() = 0;
};

class RunLoop {
public:
    explicit RunLoop(Clock& clock);
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The process's main run loop, installed by the host or a test fixture.
    static RunLoop& main();
    static RunLoop* mainIfAny();
    static void setMain(RunLoop* loop);

    Clock& clock() const { return clock_; }
    // True on the thread that made the loop, which is the thread that runs it.
    bool isCurrentThread() const { return std::this_thread::get_id() == thread_; }
    double now() const { return clock_.now(); }
    // The mode the loop is running in now (Default when idle).
    RunLoopMode currentMode() const { return currentMode_; }

    // --- Timers and delayed calls (main thread) ---
    // Each returns the handle that owns the timer: it runs while the handle lives and stops when
    // the handle is dropped or cancelled. Delays below zero count as zero.
    // Calls `fn` once, `delay` from now.
    [[nodiscard]] TimerHandle performAfter(Seconds delay, std::function<void()> fn,
                                           RunLoopMode mode = RunLoopMode::Default);
    // Calls `fn` once at `fireDate` on this loop's clock (at the next turn if that has passed).
    [[nodiscard]] TimerHandle performAt(double fireDate, std::function<void()> fn,
                                        RunLoopMode mode = RunLoopMode::Default);
    // Calls `fn` every `interval`, the first time `interval` from now.
    [[nodiscard]] TimerHandle scheduleRepeating(Seconds interval, Timer::Callback fn,
                                                RunLoopMode mode = RunLoopMode::Default);
    // Moves a pending timer to another mode.
    void setTimerMode(const TimerHandle& handle, RunLoopMode mode);

    // --- Posting (any thread) ---
    // Runs `fn` on the loop's thread at its next turn, in any mode, in posting order.
    void post(std::function<void()> fn);

    // --- Running (main thread) ---
    // Runs pending posts, then every timer due at now() in `mode`. Returns how many callbacks ran.
    size_t runDue(RunLoopMode mode = RunLoopMode::Default);
    // Manual clock: moves time forward `span`, stopping at each due timer in turn (settling
    // background work first). System clock: runs the loop for that much real time.
    void runFor(Seconds span, RunLoopMode mode = RunLoopMode::Default);
    // Runs until `done` is true or `span` has passed (virtual or real, as runFor).
    bool runUntil(const std::function<bool()>& done, Seconds span, RunLoopMode mode = RunLoopMode::Default);
    // System clock: runs until stop().
    void run();
    void stop();
    bool stopped() const;

    // The earliest fire date among valid timers in `mode`.
    std::optional<double> nextFireDate(RunLoopMode mode = RunLoopMode::Default) const;
    // Sleeps (real time) until a post, a wake, or at most `seconds` (negative: no limit).
    void waitForWork(double seconds);
    void setWaiter(RunLoopWaiter* waiter);  // null: the loop's own condition variable

    // --- Idling resources ---
    // Runs posts until no idling resource is busy and no post is pending, waiting in real time
    // for at most `realSeconds`. Returns false on time-out.
    bool settle(double realSeconds = 10.0);
    bool allIdle() const;

private:
    friend class IdlingResource;
    struct Entry {
        std::shared_ptr<Timer> timer;
        RunLoopMode mode;
        uint64_t seq;
    };

    TimerHandle add(Seconds interval, TimerRepeat repeat, double fireDate, Timer::Callback callback,
                    RunLoopMode mode);
    // runFor and runUntil: steps to each due timer in turn until `span` has passed or `done`
    // (when set) is true.
    bool runSpan(const std::function<bool()>& done, Seconds span, RunLoopMode mode);

    void addIdlingResource(IdlingResource* r);
    void removeIdlingResource(IdlingResource* r);
    void notifyIdleChange();
    size_t runPosts();
    static bool modeMatches(RunLoopMode entry, RunLoopMode running);
    void pruneInvalid();

    Clock& clock_;
    const std::thread::id thread_ = std::this_thread::get_id();
    RunLoopMode currentMode_ = RunLoopMode::Default;
    std::vector<Entry> timers_;
    uint64_t nextSeq_ = 0;

    mutable std::mutex mutex_;  // guards posts_, idling_, wakePending_, stop_, waiter_
    std::condition_variable cv_;
    std::deque<std::function<void()>> posts_;
    std::vector<IdlingResource*> idling_;
    bool wakePending_ = false;
    bool stop_ = false;
    RunLoopWaiter* waiter_ = nullptr;
};

}  // namespace platform
