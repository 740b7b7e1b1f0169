// The one way from the update worker to the main thread: work arrives in the
// order posted, exactly once, in deliveries that leave the event loop turning.
#include "platform/MainThreadMailbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Turns the event loop until done() or a generous deadline.
template <typename Done> bool spinUntil(Done done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Other work of the event loop, queued now: it runs only once the loop gets a turn.
void queueOnLoop(std::vector<std::string>& log, std::string entry) {
    QMetaObject::invokeMethod(
        qApp, [&log, entry] { log.push_back(entry); }, Qt::QueuedConnection);
}

} // namespace

// Without a budget to speak of each delivery runs one piece: the rest come in
// later deliveries, in order, without anything posted again, and the loop's
// other work runs between them.
TEST(MainThreadMailbox, PiecesBeyondTheBudgetComeLaterInOrderWithoutAnotherPost) {
    platform::MainThreadMailbox mailbox;
    mailbox.setBudget(0us);
    std::vector<std::string> log;
    mailbox.post([&] {
        log.push_back("0");
        queueOnLoop(log, "loop");
    });
    for (int i = 1; i < 5; ++i)
        mailbox.post([&log, i] { log.push_back(std::to_string(i)); });

    ASSERT_TRUE(spinUntil([&] { return log.size() == 6; }));
    QCoreApplication::processEvents();
    std::vector<std::string> pieces;
    for (const std::string& entry : log)
        if (entry != "loop") pieces.push_back(entry);
    EXPECT_EQ(pieces, std::vector<std::string>({"0", "1", "2", "3", "4"}));
    EXPECT_NE(log.back(), "loop") << "the loop's own work waited for every piece";
    EXPECT_EQ(log.size(), 6u) << "delivered twice";
}

// The default budget: pieces that each take a millisecond do not all run in one
// go, so that work the first one queued on the loop runs before the last.
TEST(MainThreadMailbox, ALongBatchGivesTheLoopATurnWithinIt) {
    platform::MainThreadMailbox mailbox;
    std::vector<std::string> log;
    constexpr int kPieces = 40; // ten times the default budget's worth at least
    mailbox.post([&] { queueOnLoop(log, "loop"); });
    for (int i = 0; i < kPieces; ++i)
        mailbox.post([&log, i] {
            std::this_thread::sleep_for(1ms);
            log.push_back(std::to_string(i));
        });
    ASSERT_TRUE(spinUntil([&] { return log.size() == kPieces + 1; }));
    EXPECT_NE(log.back(), "loop");
    EXPECT_NE(std::find(log.begin(), log.end(), "loop"), log.end());
}

// Work posted while a delivery runs — by the running piece itself, or by another
// thread meanwhile — queues behind what already waits.
TEST(MainThreadMailbox, WorkPostedDuringADeliveryQueuesBehindTheRest) {
    for (const auto budget : {0us, platform::MainThreadMailbox::kDefaultBudget}) {
        platform::MainThreadMailbox mailbox;
        mailbox.setBudget(budget);
        std::vector<std::string> log;
        mailbox.post([&] {
            log.push_back("a");
            mailbox.post([&] {
                log.push_back("late");
                mailbox.post([&] { log.push_back("later"); });
            });
        });
        mailbox.post([&] { log.push_back("b"); });
        ASSERT_TRUE(spinUntil([&] { return log.size() == 4; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(log, std::vector<std::string>({"a", "b", "late", "later"})) << budget.count() << " µs";
    }
}

// A worker posts while the main thread delivers in small batches: every piece
// arrives once, in the worker's order. The worker never waits for the main thread.
TEST(MainThreadMailbox, AConcurrentPosterLosesNothingAndRepeatsNothing) {
    platform::MainThreadMailbox mailbox;
    mailbox.setBudget(50us);
    constexpr int kPieces = 3000;
    std::vector<int> seen;
    std::thread worker([&] {
        for (int i = 0; i < kPieces; ++i) {
            mailbox.post([&seen, i] { seen.push_back(i); });
            if (i % 500 == 0) std::this_thread::sleep_for(1ms); // let deliveries overlap posts
        }
    });
    const bool all = spinUntil([&] { return seen.size() >= size_t(kPieces); });
    worker.join();
    ASSERT_TRUE(all) << seen.size() << " of " << kPieces;
    QCoreApplication::processEvents();
    ASSERT_EQ(seen.size(), size_t(kPieces));
    for (int i = 0; i < kPieces; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
}
