#include "app/window/X11Focus.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace x11focus {

#if QT_CONFIG(xcb)
namespace {

struct Free {
    void operator()(void* reply) const { std::free(reply); }
};

xcb_connection_t* connection() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, Free> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    return screens.rem ? screens.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

} // namespace

quintptr activeWindow() {
    xcb_connection_t* c = connection();
    if (!c) return 0;
    const xcb_atom_t active = atom(c, "_NET_ACTIVE_WINDOW");
    if (active == XCB_ATOM_NONE) return 0;
    std::unique_ptr<xcb_get_property_reply_t, Free> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, rootWindow(c), active, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) < int(sizeof(xcb_window_t))) return 0;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

void activate(quintptr window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(window);
    message.type = atom(c, "_NET_ACTIVE_WINDOW");
    message.data.data32[0] = 2; // from a pager-like tool: the window manager obeys at once
    message.data.data32[1] = XCB_CURRENT_TIME;
    const xcb_window_t root = rootWindow(c);
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
}

#else

quintptr activeWindow() {
    return 0;
}
void activate(quintptr) {}

#endif

} // namespace x11focus
