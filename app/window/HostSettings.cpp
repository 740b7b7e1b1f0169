#include "app/window/HostSettings.h"

#include <QVariant>
#include <algorithm>
#include <cmath>

namespace {

const QString dockKey = QStringLiteral("dockEdge");
const QString speedKey = QStringLiteral("speed");
const QString screenKey = QStringLiteral("screen");

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

HostSettings::HostSettings(QVariantMap& dictionary) : dictionary_(dictionary) {
    const QVariant edge = dictionary_.value(dockKey);
    if (edge.typeId() == QMetaType::QString && edge.toString() == QLatin1String("top"))
        dockEdge_ = DockEdge::Top;
    const QVariant speed = dictionary_.value(speedKey);
    if (isNumber(speed)) {
        const double value = speed.toDouble();
        if (std::isfinite(value)) speed_ = std::clamp(value, minimumSpeed, maximumSpeed);
    }
    const QVariant screen = dictionary_.value(screenKey);
    if (screen.typeId() == QMetaType::QString) screen_ = screen.toString();
    // Written out at once, so the file shows what can be set.
    store();
}

void HostSettings::setDockEdge(DockEdge edge) {
    dockEdge_ = edge;
    store();
}

void HostSettings::setScreen(const QString& name) {
    screen_ = name;
    store();
}

double HostSettings::setSpeed(double pixelsPerSecond) {
    if (std::isfinite(pixelsPerSecond)) speed_ = std::clamp(pixelsPerSecond, minimumSpeed, maximumSpeed);
    store();
    return speed_;
}

double HostSettings::steppedSpeed(double speed, int steps) {
    // Steps of a quarter feel even at every speed; the result is rounded so that the
    // stored value stays readable.
    const double scaled = speed * std::pow(1.25, steps);
    return std::clamp(std::round(scaled), minimumSpeed, maximumSpeed);
}

void HostSettings::store() {
    dictionary_.insert(dockKey,
                       dockEdge_ == DockEdge::Top ? QStringLiteral("top") : QStringLiteral("bottom"));
    dictionary_.insert(speedKey, speed_);
    dictionary_.insert(screenKey, screen_);
}
