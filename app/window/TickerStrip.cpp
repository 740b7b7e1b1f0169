#include "app/window/TickerStrip.h"

#include "app/window/DesktopHooks.h"
#include "app/window/HostSettings.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

qint64 pixmapBytes(const QPixmap& pixmap) {
    return qint64(pixmap.width()) * pixmap.height() * pixmap.depth() / 8;
}

} // namespace

TickerStrip::TickerStrip(SignRegistry& signs, QWidget* parent) : QWidget(parent), signs_(signs) {
    // Every pixel is painted by the strip: lets a frame move the painted pixels.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    look_ = SignLook::system();
    look_.pixelRatio = devicePixelRatioF();
    setFixedHeight(look_.height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    clock_.setTimerType(Qt::PreciseTimer);
    connect(&clock_, &QTimer::timeout, this, &TickerStrip::frame);
    hoverCheck_.setInterval(200);
    connect(&hoverCheck_, &QTimer::timeout, this, &TickerStrip::checkHover);
    setSpeed(HostSettings::defaultSpeed);
}

QSize TickerStrip::sizeHint() const {
    return QSize(640, look_.height);
}

void TickerStrip::scheduleSync() {
    if (syncPending_.exchange(true)) return;
    QPointer<TickerStrip> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self) self->syncSigns();
        },
        Qt::QueuedConnection);
}

void TickerStrip::syncSigns() {
    syncPending_ = false;
    const bool noticeWasShown = isEmptyNoticeShown();
    const QList<SignRegistry::Entry> entries = signs_.snapshot();
    QList<Item> items;
    items.reserve(entries.size());
    for (const SignRegistry::Entry& entry : entries) {
        if (Item* known = item(entry.id))
            items.append(std::move(*known));
        else
            items.append(Item{entry, {}, 0, 0});
    }
    items_ = std::move(items);
    renderedBytes_ = 0;
    for (const Item& i : std::as_const(items_))
        renderedBytes_ += pixmapBytes(i.pixmap);
    // A removed sign leaves at once; the others keep their places.
    for (qsizetype i = placements_.size() - 1; i >= 0; --i) {
        if (item(placements_[i].id)) continue;
        update(placements_[i].x, 0, placements_[i].width, height());
        placements_.removeAt(i);
    }
    fill(0);
    updateClock();
    noticeMayHaveChanged(noticeWasShown);
}

void TickerStrip::setEmptyNotice(const QString& text) {
    if (text == emptyNotice_) return;
    emptyNotice_ = text;
    update();
}

void TickerStrip::noticeMayHaveChanged(bool wasShown) {
    if (wasShown != isEmptyNoticeShown()) update();
}

TickerStrip::Item* TickerStrip::item(int id) {
    // Every frame paints by id and a sync matches every sign: no scan of thousands.
    const auto at = std::lower_bound(items_.begin(), items_.end(), id,
                                     [](const Item& i, int wanted) { return i.entry.id < wanted; });
    return at != items_.end() && at->entry.id == id ? &*at : nullptr;
}

const TickerStrip::Item* TickerStrip::item(int id) const {
    return const_cast<TickerStrip*>(this)->item(id);
}

qint64 TickerStrip::onStripPixmapBytes() const {
    qint64 bytes = 0;
    for (const Placement& p : placements_)
        if (const Item* i = item(p.id)) bytes += pixmapBytes(i->pixmap);
    return bytes;
}

bool TickerStrip::onStrip(int id) const {
    return std::any_of(placements_.begin(), placements_.end(),
                       [id](const Placement& p) { return p.id == id; });
}

void TickerStrip::ensureRendered(Item& item) {
    if (!item.pixmap.isNull()) return;
    item.pixmap = item.entry.sign ? renderSign(*item.entry.sign, look_) : QPixmap();
    renderedBytes_ += pixmapBytes(item.pixmap);
    item.width =
        item.pixmap.isNull() ? 1 : int(std::lround(item.pixmap.width() / item.pixmap.devicePixelRatio()));
}

void TickerStrip::dropPixmap(Item& item) {
    renderedBytes_ -= pixmapBytes(item.pixmap);
    item.pixmap = QPixmap();
}

void TickerStrip::setLook(const SignLook& look) {
    look_ = look;
    setFixedHeight(look_.height);
    for (Item& i : items_)
        dropPixmap(i);
    // Signs already on the strip keep the left edge of the first and close up.
    int x = placements_.isEmpty() ? 0 : placements_.first().x;
    for (Placement& p : placements_) {
        if (Item* i = item(p.id)) {
            ensureRendered(*i);
            p.width = i->width;
        }
        p.x = x;
        x += p.width + gap;
    }
    update();
}

void TickerStrip::setSpeed(double pixelsPerSecond) {
    speed_ = std::clamp(pixelsPerSecond, HostSettings::minimumSpeed, HostSettings::maximumSpeed);
    // Whole pixels per frame keep the motion even; the frame rate follows the speed
    // up to maximumFps, so slow speeds cost fewer frames.
    step_ = std::max(1, int(std::ceil(speed_ / maximumFps)));
    clock_.setInterval(std::max(1, int(std::lround(1000.0 * step_ / speed_))));
}

void TickerStrip::setPaused(bool paused) {
    paused_ = paused;
    updateClock();
}

void TickerStrip::updateClock() {
    const bool run =
        !paused_ && !hoverPaused_ && isVisible() && (!placements_.isEmpty() || !items_.isEmpty());
    if (run && !clock_.isActive())
        clock_.start();
    else if (!run && clock_.isActive())
        clock_.stop();
}

void TickerStrip::frame() {
    advance(step_);
}

void TickerStrip::advance(int pixels) {
    if (pixels <= 0) return;
    for (int left = pixels; left > 0; left -= step_)
        shift(std::min(left, step_));
    scrolled_ += pixels;
    if (pixels < width())
        scroll(-pixels, 0);
    else
        update();
    updateClock();
}

void TickerStrip::shift(int pixels) {
    for (Placement& p : placements_)
        p.x -= pixels;
    while (!placements_.isEmpty() && placements_.first().x + placements_.first().width <= 0) {
        const int id = placements_.first().id;
        placements_.removeFirst();
        signLeft(id);
    }
    fill(pixels);
}

void TickerStrip::signLeft(int id) {
    Item* left = item(id);
    if (!left) return;
    ++left->passes;
    const int loops = left->entry.sign ? left->entry.sign->loopCount() : 1;
    if (loops == PNEndlessLoopCount || loops <= 0 || left->passes < loops) {
        if (renderedBytes_ - onStripPixmapBytes() > offStripPixmapBudget) dropPixmap(*left);
        return;
    }
    // Its loops are done: it leaves the ticker for good.
    dropPixmap(*left);
    const PNSignRef sign = left->entry.sign;
    items_.removeIf([id](const Item& i) { return i.entry.id == id; });
    signs_.remove(sign);
    noticeMayHaveChanged(false);
}

void TickerStrip::fill(int justExposed) {
    // A sign enters no further left than the column that has just come into view, so
    // none pops up in the middle of the strip.
    const int entry = width() - justExposed;
    while (!items_.isEmpty()) {
        const int x = placements_.isEmpty()
                          ? entry
                          : std::max(placements_.last().x + placements_.last().width + gap, entry);
        if (x > width()) return;
        auto next = std::lower_bound(items_.begin(), items_.end(), nextId_,
                                     [](const Item& i, int wanted) { return i.entry.id < wanted; });
        if (next == items_.end()) next = items_.begin();
        // The next sign waits until it has left the strip.
        if (onStrip(next->entry.id)) return;
        ensureRendered(*next);
        placements_.append(Placement{next->entry.id, x, next->width});
        nextId_ = next->entry.id + 1;
        if (x < width()) update(x, 0, width() - x, height());
    }
}

int TickerStrip::signIdAt(const QPoint& point) const {
    if (point.y() < 0 || point.y() >= height()) return 0;
    for (const Placement& p : placements_)
        if (point.x() >= p.x && point.x() < p.x + p.width) return p.id;
    return 0;
}

void TickerStrip::activateSign(int id) {
    const Item* clicked = item(id);
    if (!clicked || !clicked->entry.sign) return;
    const PNTickerSign& sign = *clicked->entry.sign;
    switch (sign.actionType()) {
    case PNPennantActionTypeCustom:
        if (clicked->entry.client) clicked->entry.client->performAction(sign.actionString());
        break;
    case PNPennantActionTypeURL:
        openSignLink(sign.actionString());
        break;
    default:
        break;
    }
}

QString TickerStrip::toolTipAt(const QPoint& point) const {
    const Item* over = item(signIdAt(point));
    if (!over || !over->entry.sign) return {};
    // The text comes from feeds: a tip is kept to what fits on a screen.
    constexpr qsizetype longest = 1000;
    QString text = over->entry.sign->toolTip().trimmed();
    if (text.size() > longest) text = text.left(longest - 1) + u'…';
    return text;
}

namespace {

// Plain text, never markup, whatever a title holds. Text that Qt would take for
// markup is escaped (and then wraps as markup does); the rest keeps its lines, a
// long one broken at a space.
QString toolTipMarkup(const QString& text) {
    if (Qt::mightBeRichText(text)) return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
    constexpr qsizetype widest = 100;
    QStringList lines;
    for (QString rest : text.split(u'\n')) {
        while (rest.size() > widest) {
            qsizetype cut = rest.lastIndexOf(u' ', widest);
            if (cut <= 0) cut = widest;
            lines << rest.left(cut);
            rest = rest.mid(cut).trimmed();
        }
        lines << rest;
    }
    return lines.join(u'\n');
}

} // namespace

bool TickerStrip::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int id = signIdAt(help->pos());
    const QString text = toolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QRect over;
    for (const Placement& p : placements_)
        if (p.id == id) over = QRect(p.x, 0, p.width, height());
    QToolTip::showText(help->globalPos(), toolTipMarkup(text), this, over);
    return true;
}

void TickerStrip::paintEmptyNotice(QPainter& painter) {
    QColor quiet = look_.textColor;
    quiet.setAlphaF(0.6f);
    painter.setPen(quiet);
    painter.setFont(look_.standardFont);
    const int margin = gap / 4;
    const QRect room = rect().adjusted(margin, 0, -margin, 0);
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(emptyNotice_, Qt::ElideRight, room.width()));
}

void TickerStrip::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, look_.background);
    if (isEmptyNoticeShown()) return paintEmptyNotice(painter);
    for (const Placement& p : placements_) {
        if (p.x >= area.right() + 1 || p.x + p.width <= area.left()) continue;
        if (const Item* i = item(p.id); i && !i->pixmap.isNull()) painter.drawPixmap(p.x, 0, i->pixmap);
    }
}

void TickerStrip::enterEvent(QEnterEvent* event) {
    hoverPaused_ = true;
    hoverCheck_.stop();
    updateClock();
    QWidget::enterEvent(event);
}

void TickerStrip::leaveEvent(QEvent* event) {
    // A menu popped up from the strip takes the pointer away: stay still until it has
    // closed and the pointer is elsewhere.
    if (QApplication::activePopupWidget())
        hoverCheck_.start();
    else
        hoverPaused_ = false;
    updateClock();
    QWidget::leaveEvent(event);
}

void TickerStrip::checkHover() {
    if (QApplication::activePopupWidget()) return;
    hoverCheck_.stop();
    hoverPaused_ = rect().contains(mapFromGlobal(QCursor::pos()));
    updateClock();
}

void TickerStrip::wheelEvent(QWheelEvent* event) {
    wheelRemainder_ += event->angleDelta().y() ? event->angleDelta().y() : event->angleDelta().x();
    const int steps = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ %= QWheelEvent::DefaultDeltasPerStep;
    event->accept();
    if (steps == 0) return;
    const double before = speed_;
    setSpeed(HostSettings::steppedSpeed(speed_, steps));
    if (speed_ != before) emit speedChanged(speed_);
}

void TickerStrip::mousePressEvent(QMouseEvent* event) {
    pressedId_ = event->button() == Qt::LeftButton ? signIdAt(event->position().toPoint()) : 0;
    event->accept();
}

void TickerStrip::mouseReleaseEvent(QMouseEvent* event) {
    const int id = pressedId_;
    pressedId_ = 0;
    event->accept();
    if (event->button() == Qt::LeftButton && isEmptyNoticeShown()) return emit emptyNoticeClicked();
    if (event->button() == Qt::LeftButton && id && id == signIdAt(event->position().toPoint()))
        activateSign(id);
}

void TickerStrip::mouseMoveEvent(QMouseEvent* event) {
    const Item* over = item(signIdAt(event->position().toPoint()));
    bool clickable = false;
    if (over && over->entry.sign) {
        const PNPennantActionType type = over->entry.sign->actionType();
        clickable =
            type == PNPennantActionTypeURL || (type == PNPennantActionTypeCustom && over->entry.client);
    }
    setCursor(clickable || isEmptyNoticeShown() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void TickerStrip::contextMenuEvent(QContextMenuEvent* event) {
    emit hostMenuRequested(event->globalPos());
    event->accept();
}

void TickerStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fill(0);
    updateClock();
}

void TickerStrip::refreshLook() {
    SignLook look = SignLook::system();
    look.pixelRatio = devicePixelRatioF();
    setLook(look);
}

void TickerStrip::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ApplicationFontChange || event->type() == QEvent::ApplicationPaletteChange)
        refreshLook();
}

void TickerStrip::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateClock();
}

void TickerStrip::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateClock();
}
