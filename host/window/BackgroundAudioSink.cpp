#include "host/window/BackgroundAudioSink.h"

#include "platform/foundation/RunLoop.h"

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace host {

// What the opening thread and the sink share; it outlives whichever of them goes first.
struct BackgroundAudioSink::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    BackgroundAudioSink* owner = nullptr;  // main thread only; null once the sink is gone
    std::unique_ptr<AudioOutput> output;   // closed on the opening thread
    std::string why;
    bool returned = false;  // the opener returned
    bool finish = false;    // the sink is going: close the output and end
    bool finished = false;  // the thread ends (the output closed)
    std::thread thread;
};

BackgroundAudioSink::BackgroundAudioSink(platform::RunLoop& loop, Opener opener, platform::Seconds deadline,
                                         Reporter report)
    : shared_(std::make_shared<Shared>()), deadline_(deadline), report_(std::move(report)) {
    shared_->owner = this;
    deadlineTimer_ = loop.performAfter(
        deadline,
        [this] {
            if (!output_) sayNoSound("the sound server did not answer within " +
                                     std::to_string(int(std::lround(deadline_.count()))) + " s");
        },
        platform::RunLoopMode::Common);
    shared_->thread = std::thread([s = shared_, opener = std::move(opener), &loop] {
        std::string why;
        auto output = opener(&why);
        std::unique_lock lock(s->mutex);
        if (s->finish) {
            // Too late: the program is ending and the library that made the output may be gone
            // with it, so the output is left as it is.
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
        s->changed.wait(lock, [&] { return s->finish; });
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
    if (shared_->returned && !shared_->output) {
        const std::string why = shared_->why;
        lock.unlock();
        sayNoSound(why.empty() ? "no audio device" : why);
        lock.lock();
    }
    shared_->owner = nullptr;
    shared_->finish = true;
    shared_->changed.notify_all();
    const bool closed = shared_->returned &&
                        shared_->changed.wait_for(lock, kCloseDeadline, [&] { return shared_->finished; });
    lock.unlock();
    if (closed) shared_->thread.join();
    else shared_->thread.detach();
}

void BackgroundAudioSink::opened() {
    std::string why;
    {
        std::lock_guard lock(shared_->mutex);
        output_ = shared_->output.get();
        why = shared_->why;
    }
    deadlineTimer_.cancel();
    if (!output_) sayNoSound(why.empty() ? "no audio device" : why);
}


void BackgroundAudioSink::play(std::shared_ptr<const platform::PcmSound> sound) {
    if (!output_) return;
    if (output_->lost()) {
        sayNoSound("the sound output went away");
        return;
    }
    output_->play(std::move(sound));
}

void BackgroundAudioSink::sayNoSound(const std::string& why) {
    if (said_) return;
    said_ = true;
    report_("kestrova: no sound (" + why + ")");
}

}  // namespace host
