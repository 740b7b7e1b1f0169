#include "app/window/HostSettings.h"

#include <QVariant>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QString dockKey = QStringLiteral("dockEdge");
const QString speedKey = QStringLiteral("speed");
const QString screenKey = QStringLiteral("screen");
const QString pauseKey = QStringLiteral("pauseOnHover");
const QString familyKey = QStringLiteral("fontFamily");
const QString sizeKey = QStringLiteral("fontSize");
const QString textKey = QStringLiteral("textColor");
const QString backgroundKey = QStringLiteral("backgroundColor");
const QString linkKey = QStringLiteral("linkColor");
const QString heightKey = QStringLiteral("stripHeight");
// What stands for "not chosen: follow the system or the font".
const QString automatic = QStringLiteral("auto");

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

bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString;
}

std::optional<double> numberIn(const QVariant& value, double lowest, double highest) {
    if (!isNumber(value)) return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < lowest || number > highest) return std::nullopt;
    return number;
}

// A choice that may be "auto": nothing when the value is unusable, else the choice
// (itself empty for "auto").
template <typename T> using Choice = std::optional<std::optional<T>>;

Choice<QColor> colorChoice(const QVariant& value) {
    if (!isText(value)) return std::nullopt;
    const QString text = value.toString();
    if (text == automatic) return std::optional<QColor>();
    // "#rgb", "#rrggbb" or a colour's name; the strip is opaque, so is its every colour.
    const QColor color = QColor::fromString(text);
    if (!color.isValid() || color.alpha() != 255) return std::nullopt;
    return std::optional<QColor>(color);
}

QVariant colorValue(const std::optional<QColor>& color) {
    return color ? QVariant(color->name(QColor::HexRgb)) : QVariant(automatic);
}

} // namespace

HostSettings::HostSettings(QVariantMap& dictionary) : dictionary_(dictionary) {
    const QVariant edge = dictionary_.value(dockKey);
    if (isText(edge) && edge.toString() == QLatin1String("top")) dockEdge_ = DockEdge::Top;
    if (const auto speed = numberIn(dictionary_.value(speedKey), minimumSpeed, maximumSpeed)) speed_ = *speed;
    const QVariant screen = dictionary_.value(screenKey);
    if (isText(screen)) screen_ = screen.toString();
    const QVariant pause = dictionary_.value(pauseKey);
    if (pause.typeId() == QMetaType::Bool) pauseOnHover_ = pause.toBool();

    StripAppearance& a = appearance_;
    const QVariant family = dictionary_.value(familyKey);
    if (isText(family)) a.fontFamily = family.toString().trimmed();
    const QVariant size = dictionary_.value(sizeKey);
    if (!isText(size) || size.toString() != automatic)
        a.fontSize = numberIn(size, StripAppearance::minimumFontSize, StripAppearance::maximumFontSize);
    if (const auto color = colorChoice(dictionary_.value(textKey))) a.textColor = *color;
    if (const auto color = colorChoice(dictionary_.value(backgroundKey))) a.background = *color;
    if (const auto color = colorChoice(dictionary_.value(linkKey))) a.linkColor = *color;
    const QVariant height = dictionary_.value(heightKey);
    if (const auto pixels = numberIn(height, StripAppearance::minimumHeight, StripAppearance::maximumHeight))
        a.height = int(std::lround(*pixels));

    putIfMissing(dockKey, QStringLiteral("bottom"));
    putIfMissing(speedKey, defaultSpeed);
    putIfMissing(screenKey, QString());
    putIfMissing(pauseKey, true);
    putIfMissing(familyKey, QString());
    putIfMissing(sizeKey, automatic);
    putIfMissing(textKey, automatic);
    putIfMissing(backgroundKey, automatic);
    putIfMissing(linkKey, automatic);
    putIfMissing(heightKey, automatic);
}

void HostSettings::put(const QString& key, const QVariant& value) {
    dictionary_.insert(key, value);
}

void HostSettings::putIfMissing(const QString& key, const QVariant& value) {
    if (!dictionary_.contains(key)) dictionary_.insert(key, value);
}

void HostSettings::setDockEdge(DockEdge edge) {
    dockEdge_ = edge;
    put(dockKey, edge == DockEdge::Top ? QStringLiteral("top") : QStringLiteral("bottom"));
}

void HostSettings::setScreen(const QString& name) {
    screen_ = name;
    put(screenKey, screen_);
}

double HostSettings::setSpeed(double pixelsPerSecond) {
    if (std::isfinite(pixelsPerSecond)) speed_ = std::clamp(pixelsPerSecond, minimumSpeed, maximumSpeed);
    put(speedKey, speed_);
    return speed_;
}

void HostSettings::setPauseOnHover(bool pause) {
    pauseOnHover_ = pause;
    put(pauseKey, pause);
}

void HostSettings::setAppearance(const StripAppearance& wanted) {
    StripAppearance next = wanted;
    if (next.fontSize)
        next.fontSize =
            std::clamp(*next.fontSize, StripAppearance::minimumFontSize, StripAppearance::maximumFontSize);
    if (next.height)
        next.height =
            std::clamp(*next.height, StripAppearance::minimumHeight, StripAppearance::maximumHeight);
    for (std::optional<QColor>* color : {&next.textColor, &next.background, &next.linkColor})
        if (*color && !(*color)->isValid()) color->reset();
    // Only what changed is written: a value the user never touched here stays as
    // the file had it.
    StripAppearance& was = appearance_;
    if (next.fontFamily != was.fontFamily) put(familyKey, next.fontFamily);
    if (next.fontSize != was.fontSize)
        put(sizeKey, next.fontSize ? QVariant(*next.fontSize) : QVariant(automatic));
    if (next.textColor != was.textColor) put(textKey, colorValue(next.textColor));
    if (next.background != was.background) put(backgroundKey, colorValue(next.background));
    if (next.linkColor != was.linkColor) put(linkKey, colorValue(next.linkColor));
    if (next.height != was.height) put(heightKey, next.height ? QVariant(*next.height) : QVariant(automatic));
    appearance_ = next;
}

double HostSettings::steppedSpeed(double speed, int steps) {
    // Steps of a quarter feel even at every speed; the result is rounded so that the
    // stored value stays readable.
    const double scaled = speed * std::pow(1.25, steps);
    return std::clamp(std::round(scaled), minimumSpeed, maximumSpeed);
}
