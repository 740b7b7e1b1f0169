#include "core/UpdateQueue.h"

UpdateQueue::~UpdateQueue() {
    shutdown();
}

void UpdateQueue::enqueue(Job job) {
    enqueue(QString(), std::move(job));
}

bool UpdateQueue::enqueue(const QString& key, Job job) {
    std::lock_guard guard(mutex_);
    if (stopping_) return false;
    if (!key.isEmpty()) {
        if (waitingKeys_.contains(key)) return false;
        waitingKeys_.insert(key);
    }
    ++outstanding_;
    jobs_.push_back({key, std::move(job)});
    // The worker is started lazily: a plug-in that never updates owns no thread.
    if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    wake_.notify_one();
    return true;
}

void UpdateQueue::dropWaiting() {
    std::lock_guard guard(mutex_);
    if (jobs_.empty()) return;
    outstanding_ -= int(jobs_.size());
    jobs_.clear();
    waitingKeys_.clear();
    // Nothing runs to end the stretch of work: whoever waits for idle hears it now.
    if (outstanding_ == 0 && !stopping_ && idleHandler_) idleHandler_();
}

bool UpdateQueue::busy() const {
    std::lock_guard guard(mutex_);
    return outstanding_ > 0;
}

void UpdateQueue::setIdleHandler(std::function<void()> handler) {
    std::lock_guard guard(mutex_);
    idleHandler_ = std::move(handler);
}

void UpdateQueue::shutdown() {
    std::thread worker;
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
        cancelled_ = true;
        outstanding_ -= int(jobs_.size());
        jobs_.clear();
        waitingKeys_.clear();
        worker = std::move(worker_);
        wake_.notify_all();
    }
    if (worker.joinable()) worker.join();
}

void UpdateQueue::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock guard(mutex_);
            wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front().job);
            if (!jobs_.front().key.isEmpty()) waitingKeys_.remove(jobs_.front().key);
            jobs_.pop_front();
        }
        job();
        std::lock_guard guard(mutex_);
        // Counted down under the mutex so that a job queued meanwhile is seen:
        // idle is reported only when nothing runs and nothing waits. The handler
        // runs under it too, so that whoever asks busy() never finds the queue
        // idle before the report is on its way.
        if (--outstanding_ == 0 && !stopping_ && idleHandler_) idleHandler_();
    }
}
