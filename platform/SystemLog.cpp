#include "platform/SystemLog.h"

#include <mutex>
#include <syslog.h>

namespace platform {
namespace {
std::mutex listenerMutex;
LogListener listener;
} // namespace

void systemLog(const QString& line) {
    const QByteArray utf8 = line.toUtf8();
    syslog(LOG_USER | LOG_NOTICE, "%s", utf8.constData());
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

} // namespace platform
