#include "app/DisplayCheck.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QtGlobal>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool connects(int fd, const sockaddr* address, socklen_t length) {
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (::connect(fd, address, length) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd waiting{fd, POLLOUT, 0};
    if (poll(&waiting, 1, 2000) != 1) return false;
    int error = 0;
    socklen_t size = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool unixSocketAnswers(const QByteArray& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const qsizetype offset = abstract ? 1 : 0;
    if (path.size() + offset >= qsizetype(sizeof address.sun_path)) return false;
    memcpy(address.sun_path + offset, path.constData(), size_t(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const socklen_t length =
        socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    const bool ok = connects(fd, reinterpret_cast<sockaddr*>(&address), length);
    close(fd);
    return ok;
}

bool tcpAnswers(const QByteArray& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found) != 0)
        return false;
    bool ok = false;
    for (addrinfo* a = found; a && !ok; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) continue;
        ok = connects(fd, a->ai_addr, a->ai_addrlen);
        close(fd);
    }
    freeaddrinfo(found);
    return ok;
}

// DISPLAY is [host]:number[.screen]; a local display listens on a socket named for
// its number, a remote one on TCP port 6000 + number.
bool x11DisplayAnswers(const QString& display) {
    const qsizetype colon = display.lastIndexOf(u':');
    if (colon < 0) return false;
    const QString host = display.left(colon);
    bool ok = false;
    const int number = display.mid(colon + 1).section(u'.', 0, 0).toInt(&ok);
    if (!ok || number < 0) return false;
    if (host.isEmpty() || host == QLatin1String("unix")) {
        const QByteArray path = "/tmp/.X11-unix/X" + QByteArray::number(number);
        return unixSocketAnswers(path, true) || unixSocketAnswers(path, false);
    }
    return tcpAnswers(host.toLocal8Bit(), 6000 + number);
}

bool waylandDisplayAnswers(const QString& display) {
    QString path = display;
    if (!path.startsWith(u'/')) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) return false;
        path = runtime + u'/' + display;
    }
    return unixSocketAnswers(QFile::encodeName(path), false);
}

} // namespace

bool displayReachable() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u':', 0, 0);
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")) &&
        !platform.startsWith(QLatin1String("wayland")))
        return true;
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!platform.startsWith(QLatin1String("xcb")) && !wayland.isEmpty() && waylandDisplayAnswers(wayland))
        return true;
    const QString x11 = qEnvironmentVariable("DISPLAY");
    return !platform.startsWith(QLatin1String("wayland")) && !x11.isEmpty() && x11DisplayAnswers(x11);
}
