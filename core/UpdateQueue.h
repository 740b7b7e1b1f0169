#pragma once
#include <QSet>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs feed updates one at a time, in the order they were asked for, on one worker
// thread of its own. Asking never waits: the main thread hands an update over
// and goes on, however long the updates before it take.
class UpdateQueue {
  public:
    using Job = std::function<void()>;

    UpdateQueue() = default;
    // Stops: see shutdown().
    ~UpdateQueue();
    UpdateQueue(const UpdateQueue&) = delete;
    UpdateQueue& operator=(const UpdateQueue&) = delete;

    // Queues a job behind the ones already waiting. The worker starts with the
    // first job. Ignored once shutdown has begun.
    void enqueue(Job job);
    // The same for the update of one feed, which waits in the queue at most once:
    // while a job of that key waits, asking again adds nothing (false). A job of
    // the key that already runs does not count: what changed since it began is
    // still to be read.
    bool enqueue(const QString& key, Job job);

    // Drops the jobs that wait; the one that runs goes on. Reports idle at once
    // when nothing is left.
    void dropWaiting();

    // Whether a job runs or waits. Waits only for the queue's short sections,
    // never for a job.
    bool busy() const;

    // Called on the worker each time the last outstanding job has ended and none
    // waits: once per stretch of work. It runs under the queue's lock, so it may
    // only hand the news on, never call back into the queue.
    void setIdleHandler(std::function<void()> handler);

    // Drops the jobs that wait, raises cancelled() for the one that runs and
    // joins the worker. Idempotent; the queue takes no job afterwards.
    void shutdown();
    // Set from shutdown on: a running job should give up as soon as it can.
    const std::atomic<bool>& cancelled() const { return cancelled_; }

  private:
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    struct Waiting {
        QString key; // empty for a job without one
        Job job;
    };
    std::deque<Waiting> jobs_;
    // The keys of jobs_, so that a round of n timers does not scan the queue n times.
    QSet<QString> waitingKeys_;
    std::function<void()> idleHandler_;
    std::thread worker_;
    bool stopping_ = false;
    std::atomic<bool> cancelled_{false};
    int outstanding_ = 0; // queued or running
};
