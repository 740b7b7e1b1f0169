#pragma once
#include "app/window/HostSettings.h"

#include <QRect>

class QWidget;

// Docking as X11 window managers understand it (EWMH). Qt gives no way to make a
// window a dock or to reserve screen space, so the properties are set on the
// window through the X connection Qt itself uses. Off X11 every call does nothing.
namespace x11dock {

// Whether the application runs on X11 (Qt's xcb platform).
bool available();

// Makes the window a dock (_NET_WM_WINDOW_TYPE_DOCK) shown on every desktop and
// left out of task bars and pagers. The window manager reads these when the window
// is mapped: call it before the window is first shown.
void makeDock(QWidget* window);

// Reserves thickness device pixels at the edge of monitor (device pixels, root
// window coordinates) with _NET_WM_STRUT and _NET_WM_STRUT_PARTIAL, so that
// maximised windows leave the strip uncovered. May be called at any time.
void reserve(QWidget* window, HostSettings::DockEdge edge, const QRect& monitor, int thickness);

} // namespace x11dock
