#include "platform/AlertSound.h"

#include <QApplication>
#include <QMetaObject>
#include <mutex>

namespace platform {
namespace {
std::mutex listenerMutex;
BeepListener listener;
} // namespace

void beep() {
    BeepListener current;
    {
        std::lock_guard guard(listenerMutex);
        current = listener;
    }
    if (current) {
        current();
        return;
    }
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMetaObject::invokeMethod(
            app, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void setBeepListener(BeepListener newListener) {
    std::lock_guard guard(listenerMutex);
    listener = std::move(newListener);
}

} // namespace platform
