// The update queue: one job per feed waits at a time, and a feed whose job has
// begun (or was dropped) may be asked for again.
#include "core/UpdateQueue.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace {

// A job that holds the worker until released, so that what waits behind it
// stays waiting.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool open = false;
    void hold() {
        std::unique_lock guard(mutex);
        started = true;
        changed.notify_all();
        changed.wait(guard, [this] { return open; });
    }
    void awaitStart() {
        std::unique_lock guard(mutex);
        changed.wait(guard, [this] { return started; });
    }
    void release() {
        std::lock_guard guard(mutex);
        open = true;
        changed.notify_all();
    }
};

} // namespace

TEST(UpdateQueue, AFeedWaitsOnceUntilItsJobBeginsOrIsDropped) {
    std::mutex ranMutex;
    std::vector<QString> ran;
    std::mutex idleMutex;
    std::condition_variable idle;
    bool idleHeard = false;
    Gate first;
    // Last: its worker is joined before what its jobs touch goes.
    UpdateQueue queue;
    queue.setIdleHandler([&] {
        std::lock_guard guard(idleMutex);
        idleHeard = true;
        idle.notify_all();
    });
    auto job = [&](const QString& name) {
        return [&, name] {
            std::lock_guard guard(ranMutex);
            ran.push_back(name);
        };
    };
    ASSERT_TRUE(queue.enqueue(QStringLiteral("a"), [&] { first.hold(); }));
    first.awaitStart();
    // "a" runs: a new one of it may wait behind it, once.
    EXPECT_TRUE(queue.enqueue(QStringLiteral("a"), job("a2")));
    EXPECT_FALSE(queue.enqueue(QStringLiteral("a"), job("a3")));
    EXPECT_TRUE(queue.enqueue(QStringLiteral("b"), job("b")));
    EXPECT_FALSE(queue.enqueue(QStringLiteral("b"), job("b2")));
    // Jobs without a key are never folded together.
    queue.enqueue(job("x"));
    queue.enqueue(job("x"));
    // Dropped, they no longer wait: asking again queues them.
    queue.dropWaiting();
    EXPECT_TRUE(queue.enqueue(QStringLiteral("b"), job("b3")));
    EXPECT_TRUE(queue.enqueue(QStringLiteral("a"), job("a4")));
    first.release();
    {
        std::unique_lock guard(idleMutex);
        idle.wait(guard, [&] { return idleHeard; });
    }
    EXPECT_FALSE(queue.busy());
    {
        std::lock_guard guard(ranMutex);
        EXPECT_EQ(ran, std::vector<QString>({"b3", "a4"}));
    }
    // Once they ran, the keys are free again.
    EXPECT_TRUE(queue.enqueue(QStringLiteral("a"), job("a5")));
    EXPECT_TRUE(queue.enqueue(QStringLiteral("b"), job("b4")));
}
