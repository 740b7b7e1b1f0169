#include "platform/SystemLog.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <syslog.h>
#include <thread>

namespace platform {
namespace {
std::mutex listenerMutex;
LogListener listener;
std::atomic<bool> problemsOnly{false};

// Writing to the system log can take long: with no daemon listening every line
// costs a connection attempt that fails, and a daemon that falls behind makes
// the sender wait. A thread of its own writes the lines, in the order they came,
// so that the thread logging (the main thread, activating a thousand feeds)
// never waits on either.
class SyslogWriter {
  public:
    static SyslogWriter& instance() {
        // Never destroyed: a line logged while the process exits still finds it.
        static SyslogWriter* const writer = new SyslogWriter;
        return *writer;
    }

    void post(int priority, QByteArray line) {
        std::unique_lock lock(mutex_);
        if (stopped_) {
            lock.unlock();
            write(priority, line);
            return;
        }
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { run(); });
            std::atexit([] { instance().finish(); });
        }
        // A flood of lines the log cannot take in keeps a bounded backlog.
        if (queue_.size() >= kMaxBacklog) {
            ++dropped_;
            return;
        }
        queue_.push_back({priority, std::move(line)});
        wake_.notify_one();
    }

  private:
    struct Line {
        int priority;
        QByteArray text;
    };
    static constexpr std::size_t kMaxBacklog = 10000;

    static void write(int priority, const QByteArray& text) { syslog(priority, "%s", text.constData()); }

    // What is posted before the process exits is written before it exits.
    void finish() {
        {
            std::lock_guard guard(mutex_);
            stopped_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopped_ || !queue_.empty(); });
            if (queue_.empty()) return; // stopped, and everything written
            std::deque<Line> batch;
            batch.swap(queue_);
            const std::size_t dropped = std::exchange(dropped_, 0);
            lock.unlock();
            for (const Line& line : batch)
                write(line.priority, line.text);
            if (dropped > 0)
                write(LOG_USER | LOG_NOTICE,
                      QByteArray::number(qulonglong(dropped)) + " log lines dropped: the log fell behind");
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Line> queue_;
    std::size_t dropped_ = 0;
    bool stopped_ = false;
    std::thread thread_;
};
} // namespace

void systemLog(const QString& line, LogKind kind) {
    SyslogWriter::instance().post(LOG_USER | (kind == LogKind::Problem ? LOG_NOTICE : LOG_INFO),
                                  line.toUtf8());
    if (kind == LogKind::Note && problemsOnly.load()) return;
    LogListener current;
    {
        std::lock_guard guard(listenerMutex);
        current = listener;
    }
    if (current) current(line);
}

void setLogListener(LogListener newListener) {
    std::lock_guard guard(listenerMutex);
    listener = std::move(newListener);
}

void setLogListenerHearsProblemsOnly(bool only) {
    problemsOnly = only;
}

} // namespace platform
