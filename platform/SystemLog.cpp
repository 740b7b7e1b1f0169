#include "platform/SystemLog.h"

#include <atomic>
#include <mutex>
#include <syslog.h>

namespace platform {
namespace {
std::mutex listenerMutex;
LogListener listener;
std::atomic<bool> problemsOnly{false};
} // namespace

void systemLog(const QString& line, LogKind kind) {
    const QByteArray utf8 = line.toUtf8();
    syslog(LOG_USER | (kind == LogKind::Problem ? LOG_NOTICE : LOG_INFO), "%s", utf8.constData());
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
