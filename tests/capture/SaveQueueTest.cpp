#include "capture/SaveQueue.h"

#include "capture/DeleteCommand.h"
#include "capture/ProcessData.h"
#include "capture/QuitCommand.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace kestrova;

namespace {

constexpr auto kWatchdog = std::chrono::seconds(10);

std::unique_ptr<SaveRecord> picture(int n) {
    return std::make_unique<ProcessData>(nullptr, nullptr, n, 0, 1, 1, 1, 1.0f);
}

int numberOf(const std::unique_ptr<SaveRecord>& r) {
    return r && r->kind() == SaveRecord::Kind::ProcessData ? static_cast<const ProcessData&>(*r).getImageNumber()
                                                           : -1;
}

// Spins (yielding) until `done` or the watchdog fires.
template <typename Pred>
bool eventually(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + kWatchdog;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace

TEST(SaveQueue, FirstInFirstOutAndLastQueueSize) {
    SaveQueue q;
    for (int n = 1; n <= 3; ++n) q.addToSaveQueue(picture(n));
    EXPECT_EQ(q.lastQueueSize(), 3.0f);
    EXPECT_EQ(numberOf(q.removeFromSaveQueue()), 1);
    // Finishing one while others wait leaves the count alone.
    q.recordFinished();
    EXPECT_EQ(q.lastQueueSize(), 3.0f);
    EXPECT_EQ(numberOf(q.removeFromSaveQueue()), 2);
    EXPECT_EQ(numberOf(q.removeFromSaveQueue()), 3);
    // Taking does not lower the count: only finding the queue empty does.
    EXPECT_EQ(q.lastQueueSize(), 3.0f);

    // A consumer waiting on the empty queue sets it to 0, then takes the next record.
    auto consumer = std::async(std::launch::async, [&] { return numberOf(q.removeFromSaveQueue()); });
    ASSERT_TRUE(eventually([&] { return q.lastQueueSize() == 0.0f; }));
    q.addToSaveQueue(picture(4));
    ASSERT_EQ(consumer.wait_for(kWatchdog), std::future_status::ready);
    EXPECT_EQ(consumer.get(), 4);
}

TEST(SaveQueue, SixthRecordBlocksTheProducerUntilOneIsTaken) {
    SaveQueue q;
    for (int n = 1; n <= 5; ++n) q.addToSaveQueue(picture(n));
    std::atomic<bool> queued{false};
    auto producer = std::async(std::launch::async, [&] {
        q.addToSaveQueue(picture(6));
        queued = true;
    });
    // The producer is held at the full queue.
    ASSERT_TRUE(eventually([&] { return q.waitingProducers() == 1; }));
    EXPECT_FALSE(queued.load());
    EXPECT_EQ(q.count(), 5u);

    // Taking one makes room; the sixth goes in behind the others.
    EXPECT_EQ(numberOf(q.removeFromSaveQueue()), 1);
    ASSERT_EQ(producer.wait_for(kWatchdog), std::future_status::ready);
    EXPECT_TRUE(queued.load());
    EXPECT_EQ(q.count(), 5u);
    for (int n = 2; n <= 6; ++n) EXPECT_EQ(numberOf(q.removeFromSaveQueue()), n);
}

TEST(SaveQueue, DeletingAQueuedPictureRemovesItsRecord) {
    SaveQueue q;
    for (int n = 1; n <= 5; ++n) q.addToSaveQueue(picture(n));
    // Still waiting: the record goes, nothing else is queued.
    EXPECT_TRUE(q.removePictureOrQueueDelete(3, {"a.JPG", "a.THM"}));
    EXPECT_EQ(q.count(), 4u);
    // Not waiting (already taken or written): a delete command goes in last, even at the limit.
    q.addToSaveQueue(picture(6));
    EXPECT_FALSE(q.removePictureOrQueueDelete(9, {"p.JPG", "p.THM"}));
    EXPECT_EQ(q.count(), 6u);
    for (int n : {1, 2, 4, 5, 6}) EXPECT_EQ(numberOf(q.removeFromSaveQueue()), n);
    auto last = q.removeFromSaveQueue();
    ASSERT_EQ(last->kind(), SaveRecord::Kind::DeleteCommand);
    EXPECT_EQ(static_cast<const DeleteCommand&>(*last).pathArray(), (std::vector<std::string>{"p.JPG", "p.THM"}));
}

TEST(SaveQueue, TerminationWaitReturnsWhenTheQuitIsTaken) {
    SaveQueue q;
    std::vector<int> done;
    // A consumer standing in for the worker: carries out records until the quit.
    auto worker = std::async(std::launch::async, [&] {
        for (;;) {
            auto r = q.removeFromSaveQueue();
            if (r->kind() == SaveRecord::Kind::QuitCommand) {
                q.quitTaken();
                return;
            }
            done.push_back(numberOf(r));
            q.recordFinished();
        }
    });
    for (int n = 1; n <= 3; ++n) q.addToSaveQueue(picture(n));
    q.addToSaveQueue(std::make_unique<QuitCommand>());
    auto wait = std::async(std::launch::async, [&] { q.waitUntilFinished(); });
    ASSERT_EQ(wait.wait_for(kWatchdog), std::future_status::ready);
    ASSERT_EQ(worker.wait_for(kWatchdog), std::future_status::ready);
    EXPECT_EQ(done, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(q.lastQueueSize(), 0.0f);
}
