#include "app/screenshot/ScreenshotHook.h"

#include "app/window/WindowHost.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <iostream>

namespace {

void grabAndQuit(WindowHost& host, const QString& path) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (PreferencesWindow* preferences = host.preferences(); preferences && preferences->isVisible()) {
        if (!preferences->grab().save(path))
            std::cerr << "pennant: cannot save the screenshot " << path.toStdString() << std::endl;
        return host.quit();
    }
    QRect area = host.window()->frameGeometry();
    if (QWidget* popup = QApplication::activePopupWidget()) area = area.united(popup->frameGeometry());
    const QPixmap shot =
        screen ? screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()) : QPixmap();
    if (shot.isNull() || !shot.save(path))
        std::cerr << "pennant: cannot save the screenshot " << path.toStdString() << std::endl;
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    host.quit();
}

bool clickFirstCustomSign(WindowHost& host) {
    TickerStrip* strip = host.strip();
    for (const TickerStrip::Placement& p : strip->placements()) {
        if (p.x < 0 || p.x + p.width > strip->width()) continue;
        const auto entry = host.signs().find(p.id);
        if (!entry || !entry->client || entry->sign->actionType() != PNPennantActionTypeCustom) continue;
        // The pointer rests on the sign, as a user's would: the strip stops and the
        // menu opens under it.
        QCursor::setPos(strip->mapToGlobal(QPoint(p.x + std::min(p.width / 2, 40), strip->height() / 2)));
        strip->setPaused(true);
        strip->activateSign(p.id);
        return true;
    }
    return false;
}

} // namespace

bool screenshotRequested() {
    return !qEnvironmentVariableIsEmpty("PENNANT_SCREENSHOT");
}

void scheduleScreenshotFromEnvironment(WindowHost& host) {
    const QString path = qEnvironmentVariable("PENNANT_SCREENSHOT");
    if (path.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("PENNANT_SCREENSHOT_DELAY", &ok);
    if (!ok || delay < 0) delay = 25;
    const bool withMenu = qEnvironmentVariableIntValue("PENNANT_SCREENSHOT_MENU") != 0;
    const bool ofPreferences = qEnvironmentVariableIntValue("PENNANT_SCREENSHOT_PREFERENCES") != 0;
    // Which page of the preferences: 0, the first plug-in's; the host's own is last.
    const int page = qEnvironmentVariableIntValue("PENNANT_SCREENSHOT_PAGE");
    QTimer::singleShot(delay * 1000, &host, [&host, path, withMenu, ofPreferences, page] {
        if (ofPreferences) {
            host.openPreferences();
            if (PreferencesWindow* window = host.preferences())
                window->selectPage(std::min(page, window->pageCount() - 1));
            return QTimer::singleShot(800, &host, [&host, path] { grabAndQuit(host, path); });
        }
        if (withMenu && !clickFirstCustomSign(host)) {
            TickerStrip* strip = host.strip();
            QMenu* menu = host.window()->makeHostMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(strip->mapToGlobal(QPoint(strip->width() / 3, 0)));
        }
        QTimer::singleShot(withMenu ? 800 : 0, &host, [&host, path] { grabAndQuit(host, path); });
    });
}
