#include "app/CapturePolicy.h"

#include "capture/SaveWorker.h"

namespace kestrova {

std::optional<CapturePolicy::Refusal> CapturePolicy::refusal(const SaveWorker* worker) const {
    if (!worker || !worker->readyForCapture()) return Refusal::NoSaving;
    if (worker->saveQueue().count() >= kMostWaiting) return Refusal::QueueFull;
    if (takingPicture_) return Refusal::SequenceRunning;
    return std::nullopt;
}

void CapturePolicy::beginSequence(BurstMode burst) {
    takingPicture_ = true;
    armShots(burst);
}

void CapturePolicy::armShots(BurstMode burst) {
    // Any state but off is a burst: a stored number out of range lasts until its button is built.
    if (burst != BurstMode::Off) burstCount_ = 1;
    else burstCount_.reset();
}

bool CapturePolicy::shotFollowsReady() {
    if (burstCount_ && *burstCount_ < kBurstShots) {
        ++*burstCount_;
        return true;
    }
    takingPicture_ = false;
    return false;
}

void CapturePolicy::reset() {
    takingPicture_ = false;
    burstCount_.reset();
}

}  // namespace kestrova
