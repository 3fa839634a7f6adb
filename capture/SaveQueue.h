#pragma once
// The bounded queue between the camera callback (main thread) and the save worker. One mutex and
// one condition variable guard the records and lastQueueSize; the condition serves three waits:
// records to take (worker), room for a record (producer) and all work done (termination).
//
// New records go in at the front, the worker takes from the back: first in, first out.
#include "capture/SaveRecord.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
class IdlingResource;
}

namespace kestrova {

class SaveQueue {
public:
    // A producer waits while this many records are queued.
    static constexpr size_t kMaxQueued = 5;

    // `idling` (may be null) is busy for every record from queueing until the worker has
    // finished it or it was removed.
    explicit SaveQueue(platform::IdlingResource* idling = nullptr);
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    // Producer. Waits while kMaxQueued records are queued, then queues `record` and counts it in
    // lastQueueSize.
    void addToSaveQueue(std::unique_ptr<SaveRecord> record);
    // Consumer. Waits while the queue is empty (lastQueueSize is 0 then); returns the oldest record.
    std::unique_ptr<SaveRecord> removeFromSaveQueue();
    // Consumer, once a record taken with removeFromSaveQueue has been carried out.
    void recordFinished();
    // Consumer, at a quit record: nothing is outstanding any more.
    void quitTaken();
    // Waits until lastQueueSize is 0: everything queued before has been carried out.
    void waitUntilFinished();

    // Deletion of picture `imageNumber`: removes its record if it is still queued (true; nothing
    // will be written), otherwise queues a DeleteCommand of `paths` whatever the queue's length,
    // to run after everything already queued (false).
    bool removePictureOrQueueDelete(int imageNumber, std::vector<std::string> paths);

    // Records queued since the worker last found the queue empty; 0 when everything queued has
    // been taken and finished. Readable from any thread without the lock.
    float lastQueueSize() const { return lastQueueSize_.load(std::memory_order_acquire); }
    size_t count() const;
    // Producers now waiting for room (for tests that check a producer is held).
    int waitingProducers() const;

private:
    void addLastQueueSize(float delta);

    mutable std::mutex mutex_;
    std::condition_variable condition_;
    std::deque<std::unique_ptr<SaveRecord>> saveQueue_;  // guarded by mutex_
    std::atomic<float> lastQueueSize_{0};                // written under mutex_
    int waitingProducers_ = 0;                           // guarded by mutex_
    platform::IdlingResource* idling_;                   // may be null
};

}  // namespace kestrova
