#include "app/window/StripOverlay.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int padding = 8;

QFont boldOf(QFont font) {
    font.setBold(true);
    return font;
}

} // namespace

StripOverlay::StripOverlay(Place place, QObject* parent) : QObject(parent), place_(place) {
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &StripOverlay::hide);
}

void StripOverlay::show(const QString& text, int milliseconds, const QString& actionLabel,
                        std::function<void()> action) {
    if (shown_) emit changed(); // the old message's area, before it changes size
    shown_ = true;
    text_ = text.simplified();
    actionLabel_ = action ? actionLabel : QString();
    action_ = std::move(action);
    expiry_.start(milliseconds);
    emit changed();
}

void StripOverlay::hide() {
    expiry_.stop();
    if (!shown_) return;
    emit changed();
    shown_ = false;
    action_ = nullptr;
}

bool StripOverlay::trigger() {
    if (!shown_ || !action_) return false;
    // Once only: hidden first, so an action that shows a new message keeps it.
    const std::function<void()> action = std::move(action_);
    hide();
    action();
    return true;
}

QString StripOverlay::buttonText() const {
    return actionLabel_;
}

QRect StripOverlay::rectIn(const QRect& strip, const QFont& font) const {
    if (!shown_) return {};
    const QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(text_) + 2 * padding;
    if (!buttonText().isEmpty())
        width += QFontMetrics(boldOf(font)).horizontalAdvance(buttonText()) + 3 * padding;
    width = std::min(width, strip.width());
    const int left =
        place_ == Place::Middle ? strip.left() + (strip.width() - width) / 2 : strip.right() + 1 - width;
    return QRect(left, strip.top(), width, strip.height());
}

QRect StripOverlay::buttonRectIn(const QRect& strip, const QFont& font) const {
    if (!shown_ || buttonText().isEmpty()) return {};
    const QRect whole = rectIn(strip, font);
    const int width = QFontMetrics(boldOf(font)).horizontalAdvance(buttonText()) + 2 * padding;
    return QRect(whole.right() + 1 - width - padding / 2, whole.top() + 2, width, whole.height() - 4);
}

void StripOverlay::paint(QPainter& painter, const QRect& strip, const QFont& font, const QColor& text,
                         const QColor& background) const {
    const QRect area = rectIn(strip, font);
    if (area.isEmpty()) return;
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, background);
    painter.setFont(font);
    painter.setPen(text);
    // A line between it and the signs going by beneath.
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    const QRect button = buttonRectIn(strip, font);
    QRect words = area.adjusted(padding, 0, -padding, 0);
    if (!button.isEmpty()) words.setRight(button.left() - padding);
    painter.drawText(words, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetrics(font).elidedText(text_, Qt::ElideRight, words.width()));
    if (!button.isEmpty()) {
        painter.drawRoundedRect(QRectF(button).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        painter.setFont(boldOf(font));
        painter.drawText(button, Qt::AlignCenter, buttonText());
    }
    painter.restore();
}
