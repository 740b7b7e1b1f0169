#include "app/window/X11Dock.h"

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace x11dock {

#if QT_CONFIG(xcb)
namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_connection_t* connection() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Interns every name in one round trip.
template <size_t N>
std::array<xcb_atom_t, N> atoms(xcb_connection_t* c, const std::array<const char*, N>& names) {
    std::array<xcb_intern_atom_cookie_t, N> cookies{};
    for (size_t i = 0; i < N; ++i)
        cookies[i] = xcb_intern_atom(c, 0, uint16_t(std::strlen(names[i])), names[i]);
    std::array<xcb_atom_t, N> result{};
    for (size_t i = 0; i < N; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
        result[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return result;
}

void setProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                 const std::vector<uint32_t>& values) {
    if (property == XCB_ATOM_NONE) return;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, type, 32, uint32_t(values.size()),
                        values.data());
}

// The root window's size, asked each time: it changes with the monitors.
QSize rootSize(xcb_connection_t* c, xcb_window_t window) {
    Reply<xcb_get_geometry_reply_t> own(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!own) return {};
    Reply<xcb_get_geometry_reply_t> root(xcb_get_geometry_reply(c, xcb_get_geometry(c, own->root), nullptr));
    return root ? QSize(root->width, root->height) : QSize();
}

} // namespace

bool available() {
    return connection() != nullptr;
}

void makeDock(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto id = xcb_window_t(window->winId());
    const auto a = atoms<6>(c, {"_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_STATE",
                                "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_DESKTOP"});
    setProperty(c, id, a[0], XCB_ATOM_ATOM, {a[1]});
    // Qt adds its own states to these when it maps the window.
    setProperty(c, id, a[2], XCB_ATOM_ATOM, {a[3], a[4]});
    setProperty(c, id, a[5], XCB_ATOM_CARDINAL, {0xFFFFFFFFu}); // every desktop
    xcb_flush(c);
}

void reserve(QWidget* window, HostSettings::DockEdge edge, const QRect& monitor, int thickness) {
    xcb_connection_t* c = connection();
    if (!c || !window || monitor.isEmpty()) return;
    const auto id = xcb_window_t(window->winId());
    const QSize root = rootSize(c, id);
    if (root.isEmpty()) return;
    // Struts are measured from the root window's edges; the partial form limits
    // them to the monitor's columns, so a neighbouring monitor keeps its space.
    const auto left = uint32_t(std::max(0, monitor.left()));
    const auto right = uint32_t(std::max(0, monitor.right()));
    std::vector<uint32_t> partial(12, 0);
    if (edge == HostSettings::DockEdge::Top) {
        partial[2] = uint32_t(std::max(0, monitor.top() + thickness));
        partial[8] = left;
        partial[9] = right;
    } else {
        partial[3] = uint32_t(std::max(0, root.height() - (monitor.bottom() + 1) + thickness));
        partial[10] = left;
        partial[11] = right;
    }
    const auto a = atoms<2>(c, {"_NET_WM_STRUT", "_NET_WM_STRUT_PARTIAL"});
    setProperty(c, id, a[0], XCB_ATOM_CARDINAL, {partial.begin(), partial.begin() + 4});
    setProperty(c, id, a[1], XCB_ATOM_CARDINAL, partial);
    xcb_flush(c);
}

#else

bool available() {
    return false;
}
void makeDock(QWidget*) {}
void reserve(QWidget*, HostSettings::DockEdge, const QRect&, int) {}

#endif

} // namespace x11dock
