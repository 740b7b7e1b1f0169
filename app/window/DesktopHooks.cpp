#include "app/window/DesktopHooks.h"

#include "platform/AlertSound.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstdio>

namespace {

bool hasScheme(const QUrl& url, std::initializer_list<const char*> schemes) {
    if (!url.isValid() || url.isRelative()) return false;
    const QString scheme = url.scheme().toLower();
    for (const char* allowed : schemes)
        if (scheme == QLatin1String(allowed)) return true;
    return false;
}

} // namespace

void installDesktopHooks(bool verbose) {
    // Besides the system log, where few users look: a terminal that started the
    // ticker shows why a feed failed, and not what the feed table and the timers
    // are doing unless asked.
    platform::setLogListenerHearsProblemsOnly(!verbose);
    platform::setLogListener([](const QString& message) {
        const QByteArray line = "pennant: " + message.toUtf8() + '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    });
    platform::setBeepListener(nullptr);
    platform::setURLOpener([](const QUrl& url) {
        // Plug-ins hand over addresses from the feeds they read: never let one start
        // a local program or open a local file.
        if (!hasScheme(url, {"http", "https", "mailto"})) return false;
        return QDesktopServices::openUrl(url);
    });
}

void removeDesktopHooks() {
    platform::setURLOpener(nullptr);
    platform::setLogListenerHearsProblemsOnly(false);
}

bool openSignLink(const QString& link) {
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    const bool ok = hasScheme(url, {"http", "https"}) && !url.host().isEmpty() && platform::openURL(url);
    if (!ok) platform::beep();
    return ok;
}
