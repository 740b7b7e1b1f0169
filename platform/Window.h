#pragma once
#include <functional>

class QWidget;

namespace platform {

// Window operations the plug-in's description window relies on, with an observer
// so a host can report every show and close.
bool isVisible(QWidget* window);
void center(QWidget* window);
// Shows the window in front and makes it the active one, with the keyboard.
void makeKeyAndOrderFront(QWidget* window);
void orderOut(QWidget* window);

using WindowObserver = std::function<void(QWidget* window, bool visible)>;
void setWindowObserver(WindowObserver observer);

} // namespace platform
