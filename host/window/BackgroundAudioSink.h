#pragma once
// The system sounds' output, opened on a thread of its own. A sound server may take its time or
// never answer (PipeWire without an output waits until one appears), and neither the window nor
// the termination it owes the application may wait for it. Until the output is open nothing is
// heard (sounds are still logged); when opening fails, takes longer than the deadline, or the
// output is lost later, one line says so. An output that opens after its deadline is still used.
//
// An idle output is closed: an open stream costs the sound server and this process a wake-up
// every few milliseconds, and keeps the sound card from sleeping. The next sound opens it again,
// on the same thread, and is played once it is open unless that took too long to still belong to
// what the user did.
#include "host/window/AudioOutput.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/TimerHandle.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {
class RunLoop;
}

namespace host {

class BackgroundAudioSink final : public platform::AudioSink {
public:
    // Runs on the opening thread; null with the reason in `why` when there is no output.
    using Opener = std::function<std::unique_ptr<AudioOutput>(std::string* why)>;
    using Reporter = std::function<void(const std::string& line)>;

    // `loop` is the main run loop; `report` is called on it.
    BackgroundAudioSink(platform::RunLoop& loop, Opener opener, platform::Seconds deadline, Reporter report);
    // Closes the output on its thread, waiting at most `kCloseDeadline`; an opener or a close that
    // does not return is left behind (never joined) with what it holds.
    ~BackgroundAudioSink() override;
    BackgroundAudioSink(const BackgroundAudioSink&) = delete;
    BackgroundAudioSink& operator=(const BackgroundAudioSink&) = delete;

    // Main thread; never blocks.
    void play(std::shared_ptr<const platform::PcmSound> sound) override;
    // True while the output is open and sounds are heard.
    bool open() const { return output_ && !output_->lost(); }
    // True while the output is closed for want of sounds.
    bool idle() const { return state_ == State::Closed; }

    static constexpr platform::Seconds kCloseDeadline{1.0};
    // How long an output stays open after its last sound.
    static constexpr platform::Seconds kIdleClose{3.0};
    // A sound that waited longer than this for the output to open again is not played.
    static constexpr platform::Seconds kLateSound{0.3};

private:
    struct Shared;
    enum class State { Opening, Open, Closing, Closed, Failed };
    void opened();  // main thread, once the opener returned
    void closed();  // main thread, once an idle output was closed
    void closeWhenIdle();  // (again) kIdleClose from now
    void request(State state);
    void sayNoSound(const std::string& why);

    platform::RunLoop& loop_;
    std::shared_ptr<Shared> shared_;
    platform::Seconds deadline_;
    Reporter report_;
    State state_ = State::Opening;
    AudioOutput* output_ = nullptr;  // owned by shared_, while open
    bool said_ = false;
    platform::TimerHandle deadlineTimer_;
    platform::TimerHandle idleTimer_;
    // The newest sound asked for while the output was opening again, and when.
    std::shared_ptr<const platform::PcmSound> pending_;
    double pendingAt_ = 0;
};

}  // namespace host
