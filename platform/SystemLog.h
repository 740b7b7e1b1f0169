#pragma once
#include <QString>
#include <functional>

namespace platform {

// A problem the user may want to know of (a fetch or parse failure, refused
// input), or a note that tells what the program does (the feed table's calls, the
// timers), of use when looking into it.
enum class LogKind { Problem, Note };

// One diagnostic line to the system log (syslog) and to the listener the host
// installed, if any. Safe from any thread.
void systemLog(const QString& line, LogKind kind = LogKind::Problem);
inline void systemNote(const QString& line) {
    systemLog(line, LogKind::Note);
}

using LogListener = std::function<void(const QString& line)>;
void setLogListener(LogListener listener);
// With problemsOnly the listener hears no notes (they still go to the system log).
void setLogListenerHearsProblemsOnly(bool problemsOnly);

} // namespace platform
