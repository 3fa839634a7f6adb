#include "capture/SaveQueue.h"

#include "capture/DeleteCommand.h"
#include "capture/ProcessData.h"
#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

using namespace kestrova;

namespace {

constexpr auto kWatchdog = std::chrono::seconds(10);

std::unique_ptr<SaveRecord> picture(int n) {
    return std::make_unique<ProcessData>(nullptr, nullptr, n, CaptureSettings{});
}

int numberOf(const std::unique_ptr<SaveRecord>& r) {
    return r && r->kind() == SaveRecord::Kind::ProcessData ? static_cast<const ProcessData&>(*r).getImageNumber()
                                                           : -1;
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
    ASSERT_TRUE(testenv::waitUntil([&] { return q.lastQueueSize() == 0.0f; }));
    q.addToSaveQueue(picture(4));
    ASSERT_EQ(consumer.wait_for(kWatchdog), std::future_status::ready);
    EXPECT_EQ(consumer.get(), 4);
}

TEST(SaveQueue, SixthRecordBlocksTheProducerUntilOneIsTaken) {
    SaveQueue q;
    q.startServing();
    for (int n = 1; n <= 5; ++n) q.addToSaveQueue(picture(n));
    std::atomic<bool> queued{false};
    auto producer = std::async(std::launch::async, [&] {
        q.addToSaveQueue(picture(6));
        queued = true;
    });
    // The producer is held at the full queue.
    ASSERT_TRUE(testenv::waitUntil([&] { return q.waitingProducers() == 1; }));
    EXPECT_FALSE(queued.load());
    EXPECT_EQ(q.count(), 5u);

    // Taking one makes room; the sixth goes in behind the others.
    EXPECT_EQ(numberOf(q.removeFromSaveQueue()), 1);
    ASSERT_EQ(producer.wait_for(kWatchdog), std::future_status::ready);
    EXPECT_TRUE(queued.load());
    EXPECT_EQ(q.count(), 5u);
    for (int n = 2; n <= 6; ++n) EXPECT_EQ(numberOf(q.removeFromSaveQueue()), n);
}

// The files of picture n, as the camera roll would name them.
std::vector<std::string> pathsOf(int n) { return {"IMG_" + std::to_string(n) + ".JPG", "IMG_" + std::to_string(n) + ".THM"}; }

TEST(SaveQueue, DeletingAQueuedPictureRemovesItsRecord) {
    SaveQueue q;
    q.startServing();
    for (int n = 1; n <= 5; ++n) q.addToSaveQueue(picture(n));
    // Still waiting: the record goes, nothing else is queued.
    EXPECT_TRUE(q.removePictureOrQueueDelete(3, pathsOf));
    // Not waiting (already taken or written): a delete command goes in last, even at the limit.
    q.addToSaveQueue(picture(6));
    EXPECT_FALSE(q.removePictureOrQueueDelete(9, pathsOf));
    EXPECT_EQ(q.count(), 6u);
    for (int n : {1, 2, 4, 5, 6}) EXPECT_EQ(numberOf(q.removeFromSaveQueue()), n);
    auto last = q.removeFromSaveQueue();
    ASSERT_EQ(last->kind(), SaveRecord::Kind::DeleteCommand);
    EXPECT_EQ(static_cast<const DeleteCommand&>(*last).pathArray(), (std::vector<std::string>{"IMG_9.JPG", "IMG_9.THM"}));
}

// Pictures taken before the consumer serves: no producer waits for room, their numbers are
// provisional until numbering starts and then become real ones in the order taken, in the queue
// and for a picture still on its way in; deletion finds them by either number.
TEST(SaveQueue, ProvisionalNumbersBecomeRealInTheOrderTaken) {
    SaveQueue q;
    std::vector<int> provisional;
    // Seven pictures, more than the limit, and nobody waits: there is no consumer yet to make room.
    for (int i = 0; i < 7; ++i) {
        auto n = q.numberPicture([] { return std::optional<int>(99); });
        ASSERT_TRUE(n);
        provisional.push_back(*n);
        if (i < 6) {
            ASSERT_TRUE(q.addToSaveQueue(picture(*n)));
        }
    }
    EXPECT_EQ(provisional, (std::vector<int>{-1, -2, -3, -4, -5, -6, -7}));
    EXPECT_EQ(q.count(), 6u);
    // Deleting the second while still provisional removes its record.
    EXPECT_TRUE(q.removePictureOrQueueDelete(-2, pathsOf));

    // The scan found 41 free; 43 is taken (skipped by the source); the fourth gets none.
    std::vector<std::optional<int>> free{41, 42, 44, std::nullopt, 45, 46, 47};
    size_t next = 0;
    auto source = [&]() -> std::optional<int> { return free.at(next++); };
    auto given = q.startNumbering(source);
    ASSERT_EQ(given.size(), 7u);
    EXPECT_EQ(given[0], (std::pair<int, std::optional<int>>{-1, 41}));
    EXPECT_EQ(given[3], (std::pair<int, std::optional<int>>{-4, std::nullopt}));
    EXPECT_EQ(given[6], (std::pair<int, std::optional<int>>{-7, 47}));
    // A second start changes nothing.
    EXPECT_TRUE(q.startNumbering(source).empty());
    // The seventh arrives after numbering started and carries its real number in.
    ASSERT_TRUE(q.addToSaveQueue(picture(-7)));
    // A provisional picture left without a number is not queued.
    EXPECT_FALSE(q.addToSaveQueue(picture(-4)));
    // New pictures now get real numbers straight from the source.
    EXPECT_EQ(q.numberPicture([] { return std::optional<int>(48); }), 48);
    EXPECT_EQ(q.numberPicture([] { return std::optional<int>(); }), std::nullopt);

    // Deleting by the old number finds the renumbered record.
    EXPECT_TRUE(q.removePictureOrQueueDelete(-5, pathsOf));
    for (int n : {41, 44, 46, 47}) EXPECT_EQ(numberOf(q.removeFromSaveQueue()), n);
    EXPECT_EQ(q.count(), 0u);
    // Once written, deleting by the old number deletes the files of the real one.
    EXPECT_FALSE(q.removePictureOrQueueDelete(-3, pathsOf));
    auto command = q.removeFromSaveQueue();
    ASSERT_EQ(command->kind(), SaveRecord::Kind::DeleteCommand);
    EXPECT_EQ(static_cast<const DeleteCommand&>(*command).pathArray(), pathsOf(44));
    // A picture that never got a number has nothing to delete.
    EXPECT_TRUE(q.removePictureOrQueueDelete(-4, pathsOf));
    EXPECT_EQ(q.count(), 0u);
}

// Once the queue serves, each record is busy work (a headless script's clock waits for it) from
// queueing, or the start of serving, until it is finished or removed; a record never taken is
// let go with the queue.
TEST(SaveQueue, EachRecordIsBusyWorkWhileServed) {
    platform::ManualClock clock;
    platform::RunLoop loop(clock);
    platform::IdlingResource idling(loop, "saving");
    {
        SaveQueue q(&idling);
        q.addToSaveQueue(picture(1));
        q.addToSaveQueue(picture(2));
        EXPECT_TRUE(idling.isIdle()) << "nobody serves yet";
        q.startServing();
        EXPECT_TRUE(q.removePictureOrQueueDelete(2, pathsOf));
        EXPECT_FALSE(q.removePictureOrQueueDelete(7, pathsOf));  // a delete command instead
        for (int i = 0; i < 2; ++i) {
            EXPECT_FALSE(idling.isIdle()) << i << " finished";
            q.removeFromSaveQueue();
            q.recordFinished();
        }
        EXPECT_TRUE(idling.isIdle());
        q.addToSaveQueue(picture(3));
        EXPECT_FALSE(idling.isIdle());
    }
    EXPECT_TRUE(idling.isIdle());
}
