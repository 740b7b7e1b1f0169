#include "platform/Window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {
namespace {
WindowObserver observer;
}

bool isVisible(QWidget* window) {
    return window && window->isVisible();
}

void center(QWidget* window) {
    if (!window) return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void makeKeyAndOrderFront(QWidget* window) {
    if (!window) return;
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
    window->show();
    window->raise();
    window->activateWindow();
    if (observer) observer(window, true);
}

void orderOut(QWidget* window) {
    if (!window) return;
    window->hide();
    if (observer) observer(window, false);
}

void setWindowObserver(WindowObserver newObserver) {
    observer = std::move(newObserver);
}

} // namespace platform
