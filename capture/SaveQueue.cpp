#include "capture/SaveQueue.h"

#include "capture/DeleteCommand.h"
#include "capture/ProcessData.h"
#include "platform/foundation/IdlingResource.h"

namespace kestrova {

SaveQueue::SaveQueue(platform::IdlingResource* idling) : idling_(idling) {}

SaveQueue::~SaveQueue() {
    // Records never taken still hold the idling resource busy.
    if (idling_)
        for (size_t i = 0; i < saveQueue_.size(); ++i) idling_->endWork();
}

void SaveQueue::addLastQueueSize(float delta) {
    lastQueueSize_.store(lastQueueSize_.load(std::memory_order_relaxed) + delta, std::memory_order_release);
}

void SaveQueue::addToSaveQueue(std::unique_ptr<SaveRecord> record) {
    if (!record) return;
    {
        std::unique_lock lock(mutex_);
        ++waitingProducers_;
        condition_.wait(lock, [&] { return saveQueue_.size() < kMaxQueued; });
        --waitingProducers_;
        if (idling_) idling_->beginWork();
        saveQueue_.push_front(std::move(record));
        addLastQueueSize(1.0f);
    }
    // Every waiter re-tests its own predicate, so waking all of them cannot lose a wake-up.
    condition_.notify_all();
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
    }
    condition_.notify_all();
    if (idling_) idling_->endWork();
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

bool SaveQueue::removePictureOrQueueDelete(int imageNumber, std::vector<std::string> paths) {
    bool removed = false;
    {
        std::lock_guard lock(mutex_);
        for (auto it = saveQueue_.begin(); it != saveQueue_.end(); ++it) {
            if ((*it)->kind() == SaveRecord::Kind::ProcessData &&
                static_cast<const ProcessData&>(**it).getImageNumber() == imageNumber) {
                saveQueue_.erase(it);
                removed = true;
                if (idling_) idling_->endWork();
                break;
            }
        }
        if (!removed) {
            if (idling_) idling_->beginWork();
            saveQueue_.push_front(std::make_unique<DeleteCommand>(std::move(paths)));
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
