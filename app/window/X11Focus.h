#pragma once
#include <QtGlobal>

// Handing the keyboard focus back on X11: the strip remembers which window had it
// before a click took it, and gives it back when the user leaves the strip with
// Escape, as the window manager would (EWMH _NET_ACTIVE_WINDOW). Off X11 both do
// nothing.
namespace x11focus {

// The window the window manager says is active, or 0.
quintptr activeWindow();
// Asks the window manager to make the window active again.
void activate(quintptr window);

} // namespace x11focus
