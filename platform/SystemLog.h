#pragma once
#include <QString>
#include <functional>

namespace platform {

// One diagnostic line to the system log (syslog) and to the listener the host
// installed, if any. Safe from any thread.
void systemLog(const QString& line);

using LogListener = std::function<void(const QString& line)>;
void setLogListener(LogListener listener);

} // namespace platform
