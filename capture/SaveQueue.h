#pragma once
// The bounded queue between the camera callback (main thread) and the save worker. One mutex and
// one condition variable guard the records and lastQueueSize; the condition serves three waits:
// records to take (worker), room for a record (producer) and all work done (termination).
//
// New records go in at the front, the worker takes from the back: first in, first out.
//
// The queue exists from start-up, before its consumer: records queued meanwhile wait for it, and
// a producer waits for room only once the consumer serves. Picture numbers are handed out under
// the same lock, in the order pictures are taken: until the consumer's scan has found the first
// free number, a picture gets a provisional one (-1, -2, ...) that startNumbering() turns into a
// real one, so numbers never run ahead of the scan.
#include "capture/SaveRecord.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {
class IdlingResource;
}

namespace kestrova {

class SaveQueue {
public:
    // A producer waits while this many records are queued.
    static constexpr size_t kMaxQueued = 5;

    // The next real picture number, or nothing when none is free. Called under the lock.
    using NumberSource = std::function<std::optional<int>()>;
    // The files of a picture number, for its DeleteCommand. Called under the lock.
    using PathsForNumber = std::function<std::vector<std::string>(int)>;

    // Once the consumer serves, `idling` (may be null) is busy for every record from queueing
    // (or the start of serving) until the worker has finished it or it was removed.
    explicit SaveQueue(platform::IdlingResource* idling = nullptr);
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    // Main thread, as the consumer is about to start: from now on producers wait for room.
    void startServing();

    // Producer. Once the consumer serves, waits while kMaxQueued records are queued; then queues
    // `record` and counts it in lastQueueSize. A picture whose provisional number turned out to
    // have no real one is dropped instead (false).
    bool addToSaveQueue(std::unique_ptr<SaveRecord> record);

    // Producer. The number of a new picture: from `next` once numbering has started, else a
    // provisional one. Nothing when `next` has none.
    std::optional<int> numberPicture(const NumberSource& next);
    // Consumer, once, after its scan and before its first take: gives every provisional number a
    // real one from `next`, oldest first, also in the records queued; a picture left without one
    // leaves the queue. Returns each provisional number with what it became.
    std::vector<std::pair<int, std::optional<int>>> startNumbering(const NumberSource& next);
    // Consumer. Waits while the queue is empty (lastQueueSize is 0 then); returns the oldest record.
    std::unique_ptr<SaveRecord> removeFromSaveQueue();
    // Consumer, once a record taken with removeFromSaveQueue has been carried out.
    void recordFinished();
    // Consumer, at a quit record: nothing is outstanding any more.
    void quitTaken();
    // Waits until lastQueueSize is 0: everything queued before has been carried out.
    void waitUntilFinished();

    // Deletion of picture `imageNumber` (provisional or real): removes its record if it is still
    // queued (true; nothing will be written), otherwise queues a DeleteCommand of the files of its
    // real number whatever the queue's length, to run after everything already queued (false).
    bool removePictureOrQueueDelete(int imageNumber, const PathsForNumber& pathsFor);

    // Records queued since the worker last found the queue empty; 0 when everything queued has
    // been taken and finished. Readable from any thread without the lock.
    float lastQueueSize() const { return lastQueueSize_.load(std::memory_order_acquire); }
    size_t count() const;
    // Producers now waiting for room (for tests that check a producer is held).
    int waitingProducers() const;

private:
    void addLastQueueSize(float delta);
    // The real number a picture number stands for now: itself when real or not yet renumbered,
    // nothing when its picture got none. Under the lock.
    std::optional<int> currentNumberLocked(int imageNumber) const;
    void beginWorkLocked();
    void endWorkLocked();

    mutable std::mutex mutex_;
    std::condition_variable condition_;
    std::deque<std::unique_ptr<SaveRecord>> saveQueue_;  // guarded by mutex_
    std::atomic<float> lastQueueSize_{0};                // written under mutex_
    int waitingProducers_ = 0;                           // guarded by mutex_
    bool serving_ = false;                               // guarded by mutex_
    bool numbering_ = false;                             // guarded by mutex_
    int lastProvisional_ = 0;                            // guarded by mutex_
    std::map<int, std::optional<int>> renumbered_;       // provisional -> real; guarded by mutex_
    platform::IdlingResource* idling_;                   // may be null
};

}  // namespace kestrova
