#include "tests/app/WindowTestSupport.h"

#include <QApplication>
#include <QMouseEvent>

PNSignRef textSign(const QString& text, PNPennantActionType type, const QString& action) {
    auto sign = std::make_shared<PNTextTickerSign>();
    sign->initWithAttributedString(PNAttributedString(text));
    sign->setLoopCount(PNEndlessLoopCount);
    sign->setContinuousScrolling(true);
    sign->setActionType(type);
    if (!action.isEmpty()) sign->setActionString(action);
    return sign;
}

void WindowHostTest::SetUp() {
    recorder = std::make_unique<PlatformRecorder>();
    settings = std::make_unique<SettingsFile>(folder.filePath(QStringLiteral("settings.json")));
    settings->load();
    host = std::make_unique<WindowHost>(*settings, nullptr);
    strip = host->strip();
    host->start();
    // A fixed width, so that positions do not depend on the offscreen screen's size.
    host->window()->setFixedSize(800, host->window()->height());
    host->window()->resize(800, host->window()->height());
    ASSERT_TRUE(waitUntil([this] { return strip->width() == 800; }));
    strip->setPaused(true); // tests move the strip themselves unless they unpause it
}

void WindowHostTest::TearDown() {
    if (host) host->shutDown();
    host.reset();
    recorder.reset();
}

QList<int> WindowHostTest::idsOnStrip() const {
    QList<int> ids;
    for (const TickerStrip::Placement& p : strip->placements())
        ids.append(p.id);
    return ids;
}

int WindowHostTest::idOf(const PNSignRef& sign) const {
    for (const SignRegistry::Entry& e : host->signs().snapshot())
        if (e.sign == sign) return e.id;
    return 0;
}

bool WindowHostTest::bringIn(int id, int limit) {
    QCoreApplication::processEvents(); // the strip learns of signs on the main thread
    for (int moved = 0; moved < limit; ++moved) {
        for (const TickerStrip::Placement& p : strip->placements())
            if (p.id == id && p.x >= 0 && p.x + p.width <= strip->width()) return true;
        strip->advance(1);
    }
    return false;
}

void WindowHostTest::sendMouse(QEvent::Type type, const QPoint& at, Qt::MouseButton button) {
    const QPointF local(at);
    const QPointF global(strip->mapToGlobal(at));
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, local, local, global, button, held, Qt::NoModifier);
    QApplication::sendEvent(strip, &event);
}

bool WindowHostTest::advanceUntil(const std::function<bool()>& condition, int limit) {
    QCoreApplication::processEvents();
    for (int moved = 0; moved < limit; ++moved) {
        if (condition()) return true;
        strip->advance(1);
    }
    return condition();
}
