#include "app/window/DisplayCheck.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <cstring>
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The probe's connection stays open until Qt has its own: an X server that resets
// when its last client leaves (Xvfb does) would otherwise refuse Qt meanwhile.
struct HeldConnection {
    void* library = nullptr;
    void* connection = nullptr;
    void (*disconnect)(void*) = nullptr;
};
HeldConnection held;

// Opens a connection the way Qt's X11 platform will (display name and
// authorization included), through the XCB library Qt itself loads.
bool x11DisplayAnswers(const QByteArray& display) {
    void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!xcb) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool ok = false;
    if (connect && hasError && disconnect) {
        int screen = 0;
        void* connection = connect(display.constData(), &screen);
        ok = connection && hasError(connection) == 0;
        if (ok && !held.connection) {
            held = HeldConnection{xcb, connection, disconnect};
            return true;
        }
        if (connection) disconnect(connection);
    }
    dlclose(xcb);
    return ok;
}

bool waylandDisplayAnswers(const QString& display) {
    QString path = display;
    if (!path.startsWith(u'/')) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) return false;
        path = runtime + u'/' + display;
    }
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= qsizetype(sizeof address.sun_path)) return false;
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

} // namespace

bool displayReachable() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u':', 0, 0);
    const bool x11 = platform.startsWith(QLatin1String("xcb"));
    const bool wayland = platform.startsWith(QLatin1String("wayland"));
    if (!platform.isEmpty() && !x11 && !wayland) return true; // offscreen, vnc, eglfs...
    const QString waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!x11 && !waylandDisplay.isEmpty() && waylandDisplayAnswers(waylandDisplay)) return true;
    const QByteArray x11Display = qgetenv("DISPLAY");
    return !wayland && !x11Display.isEmpty() && x11DisplayAnswers(x11Display);
}

void releaseDisplayProbe() {
    if (!held.connection) return;
    held.disconnect(held.connection);
    dlclose(held.library);
    held = HeldConnection{};
}
