#pragma once
// The rules of a capture sequence in one place: when a press starts pictures, and how many.
//
// A press is refused while a sequence runs (a countdown, a shot or a burst), and while the save
// queue is full, so that the camera's picture never has to wait for room. A sequence takes one
// picture, or a burst of kBurstShots, each further shot after the camera reported ready from
// the one before; the camera's ready report after the last shot ends the sequence.
#include "app/SettingModes.h"
#include "capture/SaveQueue.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kestrova {

class SaveWorker;

class CapturePolicy {
public:
    static constexpr int32_t kBurstShots = 3;
    // A press is refused from this many waiting pictures on: the queue would make the shutter wait.
    static constexpr size_t kMostWaiting = SaveQueue::kMaxQueued;

    enum class Refusal {
        NoSaving,         // no save queue, its end has begun, or every folder is full
        QueueFull,        // kMostWaiting pictures wait to be written
        SequenceRunning,  // a countdown, a shot or a burst is under way
    };

    // Why a press starts nothing now; nothing when it may start a sequence. `worker` may be null.
    std::optional<Refusal> refusal(const SaveWorker* worker) const;

    // A press that was not refused: the sequence runs from now, its shots armed by `burst`.
    void beginSequence(BurstMode burst);
    // Arms the shots: a burst, or one picture only. Called again at the end of a countdown.
    void armShots(BurstMode burst);
    // The camera is ready after a shot: true when another shot of the burst follows (and is
    // counted); false when none does, which ends the sequence.
    bool shotFollowsReady();
    // A cancelled countdown ends the sequence; the armed shots stay as they are.
    void endSequence() { takingPicture_ = false; }
    // Start-up: no sequence and no burst, so the camera's first ready report starts no shot.
    void reset();

    bool takingPicture() const { return takingPicture_; }
    // Shots taken so far in the armed burst; nothing when no burst is wanted.
    std::optional<int32_t> burstCount() const { return burstCount_; }

private:
    bool takingPicture_ = false;
    std::optional<int32_t> burstCount_;
};

}  // namespace kestrova
