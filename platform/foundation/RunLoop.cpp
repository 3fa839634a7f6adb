#include "platform/foundation/RunLoop.h"

#include "platform/foundation/IdlingResource.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <cmath>

namespace platform {
namespace {
std::atomic<RunLoop*> gMain{nullptr};

double realNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

RunLoop::RunLoop(Clock& clock) : clock_(clock) {}

RunLoop::~RunLoop() {
    RunLoop* self = this;
    gMain.compare_exchange_strong(self, nullptr);
}

RunLoop& RunLoop::main() {
    RunLoop* m = gMain.load();
    assert(m && "no main run loop installed");
    return *m;
}
RunLoop* RunLoop::mainIfAny() { return gMain.load(); }
void RunLoop::setMain(RunLoop* loop) { gMain.store(loop); }

TimerHandle RunLoop::add(Seconds interval, TimerRepeat repeat, double fireDate, Timer::Callback callback,
                         RunLoopMode mode) {
    std::shared_ptr<Timer> timer(new Timer(interval, repeat, fireDate, std::move(callback)));
    timers_.push_back({timer, mode, nextSeq_++});
    return TimerHandle(std::move(timer));
}

TimerHandle RunLoop::performAfter(Seconds delay, std::function<void()> fn, RunLoopMode mode) {
    const Seconds d = std::max(Seconds::zero(), delay);
    return add(d, TimerRepeat::Once, now() + d.count(), [fn = std::move(fn)](Timer&) { fn(); }, mode);
}

TimerHandle RunLoop::performAt(double fireDate, std::function<void()> fn, RunLoopMode mode) {
    return add(Seconds::zero(), TimerRepeat::Once, fireDate, [fn = std::move(fn)](Timer&) { fn(); }, mode);
}

TimerHandle RunLoop::scheduleRepeating(Seconds interval, Timer::Callback fn, RunLoopMode mode) {
    return add(interval, TimerRepeat::Repeating, now() + std::max(0.0, interval.count()), std::move(fn), mode);
}

void RunLoop::setTimerMode(const TimerHandle& handle, RunLoopMode mode) {
    for (auto& e : timers_)
        if (e.timer == handle.timer_) e.mode = mode;
}

void RunLoop::post(std::function<void()> fn) {
    RunLoopWaiter* waiter;
    {
        std::lock_guard lk(mutex_);
        posts_.push_back(std::move(fn));
        wakePending_ = true;
        waiter = waiter_;
    }
    cv_.notify_all();
    if (waiter) waiter->wake();
}

size_t RunLoop::runPosts() {
    size_t n = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lk(mutex_);
            if (posts_.empty()) break;
            fn = std::move(posts_.front());
            posts_.pop_front();
        }
        fn();
        ++n;
    }
    return n;
}

bool RunLoop::modeMatches(RunLoopMode entry, RunLoopMode running) {
    return entry == RunLoopMode::Common || entry == running;
}

void RunLoop::pruneInvalid() {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [](const Entry& e) { return !e.timer->isValid(); }),
                  timers_.end());
}

size_t RunLoop::runDue(RunLoopMode mode) {
    RunLoopMode saved = currentMode_;
    currentMode_ = mode;
    size_t n = runPosts();
    const double t = now();
    // One timer at a time, earliest first (ties in the order they were added): callbacks may add
    // or cancel timers, so the list is scanned afresh after each.
    for (;;) {
        pruneInvalid();
        const Entry* best = nullptr;
        for (const auto& e : timers_) {
            if (!modeMatches(e.mode, mode) || e.timer->fireDate_ > t) continue;
            if (!best || e.timer->fireDate_ < best->timer->fireDate_ ||
                (e.timer->fireDate_ == best->timer->fireDate_ && e.seq < best->seq))
                best = &e;
        }
        if (!best) break;
        auto timer = best->timer;
        if (timer->repeats()) {
            double iv = timer->interval_.count() > 0 ? timer->interval_.count() : 1e-3;
            double next = timer->fireDate_ + iv;
            if (next <= t) next += std::ceil((t - next) / iv + 1e-9) * iv;  // skip missed fires
            timer->fireDate_ = next;
        }
        timer->fire();
        ++n;
        n += runPosts();
    }
    currentMode_ = saved;
    return n;
}

std::optional<double> RunLoop::nextFireDate(RunLoopMode mode) const {
    std::optional<double> best;
    for (const auto& e : timers_) {
        if (!e.timer->isValid() || !modeMatches(e.mode, mode)) continue;
        if (!best || e.timer->fireDate_ < *best) best = e.timer->fireDate_;
    }
    return best;
}

void RunLoop::waitForWork(double seconds) {
    RunLoopWaiter* waiter;
    {
        std::unique_lock lk(mutex_);
        waiter = waiter_;
        if (!waiter) {
            auto ready = [&] { return wakePending_ || !posts_.empty() || stop_; };
            if (seconds < 0) cv_.wait(lk, ready);
            else cv_.wait_for(lk, std::chrono::duration<double>(seconds), ready);
            wakePending_ = false;
            return;
        }
        if (wakePending_ || !posts_.empty() || stop_) {
            wakePending_ = false;
            return;
        }
    }
    waiter->wait(seconds);
    std::lock_guard lk(mutex_);
    wakePending_ = false;
}

void RunLoop::setWaiter(RunLoopWaiter* waiter) {
    std::lock_guard lk(mutex_);
    waiter_ = waiter;
}

void RunLoop::runFor(Seconds span, RunLoopMode mode) { runSpan({}, span, mode); }

bool RunLoop::runUntil(const std::function<bool()>& done, Seconds span, RunLoopMode mode) {
    return runSpan(done, span, mode);
}

bool RunLoop::runSpan(const std::function<bool()>& done, Seconds span, RunLoopMode mode) {
    auto finished = [&] { return done && done(); };
    const double end = now() + std::max(0.0, span.count());
    if (clock_.isManual()) {
        auto& manual = static_cast<ManualClock&>(clock_);
        for (;;) {
            settle();
            runDue(mode);
            if (finished()) return true;
            auto next = nextFireDate(mode);
            if (!next || *next > end) break;
            manual.set(*next);
        }
        manual.set(end);
        settle();
        runDue(mode);
        return finished();
    }
    for (;;) {
        runDue(mode);
        if (finished()) return true;
        if (stopped()) return false;
        double t = now();
        if (t >= end) return false;
        double wait = end - t;
        if (auto next = nextFireDate(mode)) wait = std::min(wait, std::max(0.0, *next - t));
        waitForWork(wait);
    }
}

void RunLoop::run() {
    {
        std::lock_guard lk(mutex_);
        stop_ = false;
    }
    while (!stopped()) {
        runDue(RunLoopMode::Default);
        if (stopped()) break;
        double wait = -1;
        if (auto next = nextFireDate(RunLoopMode::Default)) wait = std::max(0.0, *next - now());
        waitForWork(wait);
    }
}

void RunLoop::stop() {
    RunLoopWaiter* waiter;
    {
        std::lock_guard lk(mutex_);
        stop_ = true;
        wakePending_ = true;
        waiter = waiter_;
    }
    cv_.notify_all();
    if (waiter) waiter->wake();
}

bool RunLoop::stopped() const {
    std::lock_guard lk(mutex_);
    return stop_;
}

void RunLoop::addIdlingResource(IdlingResource* r) {
    std::lock_guard lk(mutex_);
    idling_.push_back(r);
}

void RunLoop::removeIdlingResource(IdlingResource* r) {
    {
        std::lock_guard lk(mutex_);
        idling_.erase(std::remove(idling_.begin(), idling_.end(), r), idling_.end());
        wakePending_ = true;
    }
    cv_.notify_all();
}

void RunLoop::notifyIdleChange() {
    {
        std::lock_guard lk(mutex_);
        wakePending_ = true;
    }
    cv_.notify_all();
}

bool RunLoop::allIdle() const {
    std::lock_guard lk(mutex_);
    return std::all_of(idling_.begin(), idling_.end(), [](IdlingResource* r) { return r->isIdle(); });
}

bool RunLoop::settle(double realSeconds) {
    const double deadline = realNow() + realSeconds;
    for (;;) {
        runPosts();
        std::unique_lock lk(mutex_);
        bool idle = posts_.empty() &&
                    std::all_of(idling_.begin(), idling_.end(), [](IdlingResource* r) { return r->isIdle(); });
        if (idle) return true;
        double left = deadline - realNow();
        if (left <= 0) return false;
        if (posts_.empty()) {
            cv_.wait_for(lk, std::chrono::duration<double>(std::min(left, 0.05)),
                         [&] { return wakePending_ || !posts_.empty(); });
            wakePending_ = false;
        }
    }
}

}  // namespace platform
