#pragma once

// Whether a window can be opened: the platform named in QT_QPA_PLATFORM, or a
// Wayland or X11 display that answers. Checked before Qt starts, because Qt ends
// the program when it cannot reach the display.
bool displayReachable();
// Closes the connection displayReachable kept open; call once Qt has connected.
void releaseDisplayProbe();
