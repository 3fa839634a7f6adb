#include "capture/SaveQueue.h"

#include "capture/DeleteCommand.h"
#include "capture/ProcessData.h"
#include "platform/foundation/IdlingResource.h"

namespace kestrova {

SaveQueue::SaveQueue(platform::IdlingResource* idling) : idling_(idling) {}

SaveQueue::~SaveQueue() {
    // Records never taken still hold the idling resource busy.
    for (size_t i = 0; i < saveQueue_.size(); ++i) endWorkLocked();
}

void SaveQueue::beginWorkLocked() {
    if (idling_ && serving_) idling_->beginWork();
}

void SaveQueue::endWorkLocked() {
    if (idling_ && serving_) idling_->endWork();
}

void SaveQueue::startServing() {
    {
        std::lock_guard lock(mutex_);
        if (serving_) return;
        serving_ = true;
        // What waited for the consumer is its work now.
        for (size_t i = 0; i < saveQueue_.size(); ++i) beginWorkLocked();
    }
    condition_.notify_all();
}

std::optional<int> SaveQueue::currentNumberLocked(int imageNumber) const {
    auto it = renumbered_.find(imageNumber);
    return it == renumbered_.end() ? std::optional<int>(imageNumber) : it->second;
}

std::optional<int> SaveQueue::numberPicture(const NumberSource& next) {
    std::lock_guard lock(mutex_);
    if (numbering_) return next ? next() : std::nullopt;
    return --lastProvisional_;
}

std::vector<std::pair<int, std::optional<int>>> SaveQueue::startNumbering(const NumberSource& next) {
    std::vector<std::pair<int, std::optional<int>>> given;
    {
        std::lock_guard lock(mutex_);
        if (numbering_) return given;
        numbering_ = true;
        for (int p = -1; p >= lastProvisional_; --p) {
            std::optional<int> real = next ? next() : std::nullopt;
            renumbered_[p] = real;
            given.emplace_back(p, real);
        }
        for (auto it = saveQueue_.begin(); it != saveQueue_.end();) {
            if ((*it)->kind() == SaveRecord::Kind::ProcessData) {
                auto& data = static_cast<ProcessData&>(**it);
                if (auto real = currentNumberLocked(data.getImageNumber())) {
                    data.setImageNumber(*real);
                } else {
                    it = saveQueue_.erase(it);
                    endWorkLocked();
                    continue;
                }
            }
            ++it;
        }
    }
    condition_.notify_all();
    return given;
}

void SaveQueue::addLastQueueSize(float delta) {
    lastQueueSize_.store(lastQueueSize_.load(std::memory_order_relaxed) + delta, std::memory_order_release);
}

bool SaveQueue::addToSaveQueue(std::unique_ptr<SaveRecord> record) {
    if (!record) return false;
    {
        std::unique_lock lock(mutex_);
        ++waitingProducers_;
        condition_.wait(lock, [&] { return !serving_ || saveQueue_.size() < kMaxQueued; });
        --waitingProducers_;
        // Numbered provisionally, and numbering started since.
        if (record->kind() == SaveRecord::Kind::ProcessData) {
            auto& data = static_cast<ProcessData&>(*record);
            auto real = currentNumberLocked(data.getImageNumber());
            if (!real) return false;
            data.setImageNumber(*real);
        }
        beginWorkLocked();
        saveQueue_.push_front(std::move(record));
        addLastQueueSize(1.0f);
    }
    // Every waiter re-tests its own predicate, so waking all of them cannot lose a wake-up.
    condition_.notify_all();
    return true;
}

std::unique_ptr<SaveRecord> SaveQueue::removeFromSaveQueue() {
    std::unique_ptr<SaveRecord> record;
    {
        std::unique_lock lock(mutex_);
        while (saveQueue_.empty()) {
            lastQueueSize_.store(0, std::memory_order_release);
            condition_.notify_all();  // a termination wait may be waiting for the 0
            condition_.wait(lock);
        }
        record = std::move(saveQueue_.back());
        saveQueue_.pop_back();
    }
    condition_.notify_all();
    return record;
}

void SaveQueue::recordFinished() {
    {
        // Found empty now rather than at the next take: otherwise the worker reports idle while
        // the count still says pictures are outstanding.
        std::lock_guard lock(mutex_);
        if (saveQueue_.empty()) lastQueueSize_.store(0, std::memory_order_release);
        endWorkLocked();
    }
    condition_.notify_all();
}

void SaveQueue::quitTaken() {
    {
        std::lock_guard lock(mutex_);
        lastQueueSize_.store(0, std::memory_order_release);
    }
    condition_.notify_all();
}

void SaveQueue::waitUntilFinished() {
    std::unique_lock lock(mutex_);
    condition_.wait(lock, [&] { return lastQueueSize_.load(std::memory_order_acquire) <= 0; });
}

bool SaveQueue::removePictureOrQueueDelete(int imageNumber, const PathsForNumber& pathsFor) {
    bool removed = false;
    {
        std::lock_guard lock(mutex_);
        const std::optional<int> number = currentNumberLocked(imageNumber);
        if (!number) return true;  // its picture never got a number: nothing was written
        for (auto it = saveQueue_.begin(); it != saveQueue_.end(); ++it) {
            if ((*it)->kind() == SaveRecord::Kind::ProcessData &&
                static_cast<const ProcessData&>(**it).getImageNumber() == *number) {
                saveQueue_.erase(it);
                removed = true;
                endWorkLocked();
                break;
            }
        }
        if (!removed) {
            if (*number < 0) return true;  // provisional and not queued: nothing to delete
            beginWorkLocked();
            saveQueue_.push_front(std::make_unique<DeleteCommand>(pathsFor ? pathsFor(*number)
                                                                           : std::vector<std::string>{}));
        }
    }
    condition_.notify_all();
    return removed;
}

size_t SaveQueue::count() const {
    std::lock_guard lock(mutex_);
    return saveQueue_.size();
}

int SaveQueue::waitingProducers() const {
    std::lock_guard lock(mutex_);
    return waitingProducers_;
}

}  // namespace kestrova
