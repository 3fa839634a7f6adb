#include "host/window/BackgroundAudioSink.h"

#include "platform/foundation/RunLoop.h"

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace host {

// What the opening thread and the sink share; it outlives whichever of them goes first.
struct BackgroundAudioSink::Shared {
    enum class Ask { None, Open, Close };
    std::mutex mutex;
    std::condition_variable changed;
    BackgroundAudioSink* owner = nullptr;  // main thread only; null once the sink is gone
    std::unique_ptr<AudioOutput> output;   // opened and closed on the thread
    std::string why;
    Ask ask = Ask::Open;
    bool opening = false;   // the opener is running
    bool returned = false;  // the opener returned at least once
    bool finish = false;    // the sink is going: close the output and end
    bool finished = false;  // the thread ends (the output closed)
    std::thread thread;
};

BackgroundAudioSink::BackgroundAudioSink(platform::RunLoop& loop, Opener opener, platform::Seconds deadline,
                                         Reporter report)
    : loop_(loop), shared_(std::make_shared<Shared>()), deadline_(deadline), report_(std::move(report)) {
    shared_->owner = this;
    deadlineTimer_ = loop.performAfter(
        deadline,
        [this] {
            if (!output_) sayNoSound("the sound server did not answer within " +
                                     std::to_string(int(std::lround(deadline_.count()))) + " s");
        },
        platform::RunLoopMode::Common);
    shared_->thread = std::thread([s = shared_, opener = std::move(opener), &loop] {
        std::unique_lock lock(s->mutex);
        for (;;) {
            s->changed.wait(lock, [&] { return s->finish || s->ask != Shared::Ask::None; });
            if (s->finish) break;
            const Shared::Ask ask = std::exchange(s->ask, Shared::Ask::None);
            if (ask == Shared::Ask::Open) {
                s->opening = true;
                lock.unlock();
                std::string why;
                auto output = opener(&why);
                lock.lock();
                s->opening = false;
                if (s->finish) {
                    // Too late: the program is ending and the library that made the output may
                    // be gone with it, so the output is left as it is.
                    (void)output.release();
                    s->finished = true;
                    s->changed.notify_all();
                    return;
                }
                s->output = std::move(output);
                s->why = why;
                s->returned = true;
                loop.post([s] {
                    if (s->owner) s->owner->opened();
                });
            } else {
                auto closing = std::move(s->output);
                lock.unlock();
                closing.reset();
                lock.lock();
                loop.post([s] {
                    if (s->owner) s->owner->closed();
                });
            }
        }
        auto closing = std::move(s->output);
        lock.unlock();
        closing.reset();
        lock.lock();
        s->finished = true;
        s->changed.notify_all();
    });
}

BackgroundAudioSink::~BackgroundAudioSink() {
    output_ = nullptr;
    std::unique_lock lock(shared_->mutex);
    // A failure that came in just before the end is still said.
    if (state_ == State::Opening && shared_->returned && !shared_->output && !shared_->opening) {
        const std::string why = shared_->why;
        lock.unlock();
        sayNoSound(why.empty() ? "no audio device" : why);
        lock.lock();
    }
    shared_->owner = nullptr;
    shared_->finish = true;
    shared_->changed.notify_all();
    const bool closed = !shared_->opening &&
                        shared_->changed.wait_for(lock, kCloseDeadline, [&] { return shared_->finished; });
    lock.unlock();
    if (closed) shared_->thread.join();
    else shared_->thread.detach();
}

void BackgroundAudioSink::request(State state) {
    state_ = state;
    std::lock_guard lock(shared_->mutex);
    shared_->ask = state == State::Opening ? Shared::Ask::Open : Shared::Ask::Close;
    shared_->changed.notify_all();
}

void BackgroundAudioSink::opened() {
    std::string why;
    {
        std::lock_guard lock(shared_->mutex);
        output_ = shared_->output.get();
        why = shared_->why;
    }
    deadlineTimer_.cancel();
    auto pending = std::exchange(pending_, nullptr);
    if (!output_) {
        state_ = State::Failed;
        sayNoSound(why.empty() ? "no audio device" : why);
        return;
    }
    state_ = State::Open;
    if (pending && loop_.now() - pendingAt_ <= kLateSound.count()) play(std::move(pending));
    else closeWhenIdle();
}

void BackgroundAudioSink::closeWhenIdle() {
    idleTimer_ = loop_.performAfter(
        kIdleClose,
        [this] {
            output_ = nullptr;
            request(State::Closing);
        },
        platform::RunLoopMode::Common);
}

void BackgroundAudioSink::closed() {
    state_ = State::Closed;
    if (pending_) request(State::Opening);
}

void BackgroundAudioSink::play(std::shared_ptr<const platform::PcmSound> sound) {
    if (state_ == State::Open) {
        if (output_->lost()) {
            sayNoSound("the sound output went away");
            return;
        }
        output_->play(std::move(sound));
        closeWhenIdle();
        return;
    }
    // Only an output closed for being idle is opened again; the first opening is not waited for.
    if (state_ != State::Closing && state_ != State::Closed && !(state_ == State::Opening && pending_)) return;
    pending_ = std::move(sound);
    pendingAt_ = loop_.now();
    if (state_ == State::Closed) request(State::Opening);
}

void BackgroundAudioSink::sayNoSound(const std::string& why) {
    if (said_) return;
    said_ = true;
    report_("kestrova: no sound (" + why + ")");
}

}  // namespace host
