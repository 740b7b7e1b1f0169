#include "app/window/TickerStrip.h"

#include "app/window/DesktopHooks.h"
#include "app/window/HostSettings.h"
#include "platform/AlertSound.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace {

qint64 pixmapBytes(const QPixmap& pixmap) {
    return qint64(pixmap.width()) * pixmap.height() * pixmap.depth() / 8;
}

} // namespace

TickerStrip::TickerStrip(SignRegistry& signs, QWidget* parent) : QWidget(parent), signs_(signs) {
    // Every pixel is painted by the strip: lets a frame move the painted pixels.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    look_ = lookFor(appearance_);
    look_.pixelRatio = devicePixelRatioF();
    setFixedHeight(look_.height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    clock_.setTimerType(Qt::PreciseTimer);
    connect(&clock_, &QTimer::timeout, this, &TickerStrip::frame);
    hoverCheck_.setInterval(hoverCheckMs);
    connect(&hoverCheck_, &QTimer::timeout, this, &TickerStrip::checkHover);
    // A menu or a window that opens over the pointer, or closes under it, may take
    // the pointer away or bring it back with no enter or leave event the strip sees.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] {
        if (hoverPaused_) QTimer::singleShot(0, this, &TickerStrip::checkHover);
    });
    setSpeed(HostSettings::defaultSpeed);
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(QCoreApplication::translate("TickerStrip", "News ticker"));
    for (StripOverlay* overlay : {&speedOverlay_, &undoOverlay_})
        connect(overlay, &StripOverlay::changed, this, [this, overlay] { overlayChanged(*overlay); });
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
    for (const int id : leftPictures_.keys())
        if (!item(id)) leftPictures_.remove(id);
    // A removed sign leaves at once; the others keep their places.
    int firstRemoved = std::numeric_limits<int>::max();
    for (qsizetype i = placements_.size() - 1; i >= 0; --i) {
        if (item(placements_[i].id)) continue;
        firstRemoved = std::min(firstRemoved, placements_[i].x);
        update(placements_[i].x, 0, placements_[i].width, height());
        placements_.removeAt(i);
    }
    if (markedId_ && !onStrip(markedId_)) setMarkedSign(0);
    // Every sign shown was taken off (a feed's update replaces its headlines): the
    // new ones take their place at once rather than leave the strip blank until the
    // first has crossed it.
    if (placements_.isEmpty() && firstRemoved != std::numeric_limits<int>::max())
        fill(width() - std::clamp(firstRemoved, 0, width()));
    else
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

bool TickerStrip::onStrip(int id) const {
    return std::any_of(placements_.begin(), placements_.end(),
                       [id](const Placement& p) { return p.id == id; });
}

void TickerStrip::ensureRendered(Item& item) {
    if (!item.pixmap.isNull()) return;
    if (const std::unique_ptr<QPixmap> kept{leftPictures_.take(item.entry.id)})
        item.pixmap = std::move(*kept);
    else
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
    leftPictures_.clear();
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
    emit lookChanged();
}

void TickerStrip::setAppearance(const StripAppearance& appearance) {
    if (appearance == appearance_) return;
    appearance_ = appearance;
    refreshLook();
}

void TickerStrip::setPauseOnHover(bool pause) {
    pauseOnHover_ = pause;
    updateClock();
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
    const bool run = !paused_ && !(hoverPaused_ && pauseOnHover_) && !markedId_ && isVisible() &&
                     (!placements_.isEmpty() || !items_.isEmpty());
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
    if (pixels < width()) {
        scroll(-pixels, 0);
        // The overlays stay put while the signs pass beneath them.
        for (const StripOverlay* overlay : {&speedOverlay_, &undoOverlay_})
            if (overlay->isShown()) update(overlayArea(*overlay).adjusted(-pixels, 0, 0, 0));
    } else {
        update();
    }
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
        if (!onStrip(id) && !left->pixmap.isNull()) {
            // The signs come round in a fixed order, so the one that left longest ago
            // is the next back: a full budget keeps what it holds and lets this one go,
            // where the cache's own eviction would throw out every picture before use.
            const qint64 bytes = pixmapBytes(left->pixmap);
            QPixmap picture = std::exchange(left->pixmap, QPixmap());
            renderedBytes_ -= bytes;
            if (leftPictures_.totalCost() + bytes <= leftPictures_.maxCost())
                leftPictures_.insert(id, new QPixmap(std::move(picture)), bytes);
        }
        return;
    }
    // Its loops are done: it leaves the ticker for good.
    dropPixmap(*left);
    const PNSignRef sign = left->entry.sign;
    items_.removeIf([id](const Item& i) { return i.entry.id == id; });
    signs_.remove(sign);
    noticeMayHaveChanged(false);
}

bool TickerStrip::mayEnter(const Item& candidate) const {
    const int loops = candidate.entry.sign ? candidate.entry.sign->loopCount() : 1;
    if (loops == PNEndlessLoopCount || loops <= 0) return true;
    // Each copy on the strip is a pass to come.
    const auto copies = std::count_if(placements_.begin(), placements_.end(),
                                      [&](const Placement& p) { return p.id == candidate.entry.id; });
    return candidate.passes + int(copies) < loops;
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
        // The next in posting order, round again after the last: no gap between
        // rounds. A sign whose passes are all on the strip already is passed over.
        Item* next = nullptr;
        for (qsizetype tried = 0; tried < items_.size() && !next; ++tried) {
            auto at = std::lower_bound(items_.begin(), items_.end(), nextId_,
                                       [](const Item& i, int wanted) { return i.entry.id < wanted; });
            if (at == items_.end()) at = items_.begin();
            if (mayEnter(*at))
                next = &*at;
            else
                nextId_ = at->entry.id + 1;
        }
        if (!next) return;
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

bool TickerStrip::isClickable(int id) const {
    const Item* over = item(id);
    if (!over || !over->entry.sign) return false;
    const PNPennantActionType type = over->entry.sign->actionType();
    return type == PNPennantActionTypeURL || (type == PNPennantActionTypeCustom && over->entry.client);
}

bool TickerStrip::openSignLinkOf(int id) {
    const Item* chosen = item(id);
    const PNTickerSign* sign = chosen ? chosen->entry.sign.get() : nullptr;
    if (sign && sign->actionType() == PNPennantActionTypeURL) return openSignLink(sign->actionString());
    // A plug-in's sign names its item; the plug-in opens the item's link by its own
    // rules for what feeds may open.
    auto* opener = sign && sign->actionType() == PNPennantActionTypeCustom
                       ? dynamic_cast<PNActionLinkOpener*>(chosen->entry.client)
                       : nullptr;
    if (opener) return opener->openLinkForAction(sign->actionString());
    platform::beep();
    return false;
}

void TickerStrip::setMarkedSign(int id) {
    if (id && !onStrip(id)) id = 0;
    if (id == markedId_) return;
    if (markedId_) update(signRect(markedId_).adjusted(-gap / 2, 0, gap / 2, 0));
    markedId_ = id;
    if (markedId_) update(signRect(markedId_).adjusted(-gap / 2, 0, gap / 2, 0));
    updateClock();
    emit markedSignChanged(markedId_);
}

int TickerStrip::neighbourOfMark(int direction) const {
    QList<int> visible;
    for (const Placement& p : placements_)
        if (p.x < width() && p.x + p.width > 0 && !visible.contains(p.id)) visible.append(p.id);
    if (visible.isEmpty()) return 0;
    const qsizetype at = visible.indexOf(markedId_);
    if (at < 0) return direction < 0 ? visible.last() : visible.first();
    return visible.at(std::clamp<qsizetype>(at + direction, 0, visible.size() - 1));
}

QRect TickerStrip::signRect(int id) const {
    // The first place on the strip from the left, if the sign shows more than once.
    for (const Placement& p : placements_)
        if (p.id == id && p.x + p.width > 0) return QRect(p.x, 0, p.width, height());
    return {};
}

QPair<QString, QString> TickerStrip::spokenText(int id) const {
    const Item* shown = item(id);
    if (!shown || !shown->entry.sign) return {};
    const PNTickerSign& sign = *shown->entry.sign;
    // The tool tip has the whole headline, then its feed on a line of its own.
    const QString tip = sign.toolTip().trimmed();
    if (!tip.isEmpty()) {
        const qsizetype line = tip.indexOf(u'\n');
        if (line < 0) return {tip, QString()};
        return {tip.left(line).trimmed(), tip.mid(line + 1).simplified()};
    }
    if (sign.isText()) return {static_cast<const PNTextTickerSign&>(sign).text().string().simplified(), {}};
    return {QCoreApplication::translate("TickerStrip", "Picture"), {}};
}

QPoint TickerStrip::menuPosition() const {
    const QRect marked = signRect(markedId_);
    if (marked.isEmpty()) return QCursor::pos();
    return mapToGlobal(QPoint(std::max(0, marked.left()), height() / 2));
}

void TickerStrip::offerUndo(const QString& text, std::function<void()> undo) {
    undoOverlay_.show(text, undoOfferMs, QCoreApplication::translate("TickerStrip", "Undo"), std::move(undo));
}

QRect TickerStrip::overlayArea(const StripOverlay& overlay) const {
    return overlay.rectIn(rect(), look_.standardFont);
}

void TickerStrip::overlayChanged(const StripOverlay& overlay) {
    update(overlayArea(overlay));
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
    if (isEmptyNoticeShown()) {
        paintEmptyNotice(painter);
    } else {
        for (const Placement& p : placements_) {
            if (p.x >= area.right() + 1 || p.x + p.width <= area.left()) continue;
            if (const Item* i = item(p.id); i && !i->pixmap.isNull()) painter.drawPixmap(p.x, 0, i->pixmap);
        }
        paintFocusMark(painter);
    }
    for (const StripOverlay* overlay : {&speedOverlay_, &undoOverlay_})
        overlay->paint(painter, rect(), look_.standardFont, look_.textColor, look_.background);
}

void TickerStrip::paintFocusMark(QPainter& painter) {
    const QRect marked = signRect(markedId_);
    if (marked.isEmpty()) return;
    // Round the sign, in the gap around it: the sign's own pixels stay as drawn.
    QPen pen(look_.textColor, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(marked.adjusted(-gap / 4, 1, gap / 4 - 1, -2));
}

void TickerStrip::enterEvent(QEnterEvent* event) {
    hoverPaused_ = true;
    hoverCheck_.start();
    updateClock();
    QWidget::enterEvent(event);
}

void TickerStrip::leaveEvent(QEvent* event) {
    // A menu popped up from the strip takes the pointer away: stay still until it has
    // closed and the pointer is elsewhere (the check runs on while the strip waits).
    if (!QApplication::activePopupWidget()) {
        hoverPaused_ = false;
        hoverCheck_.stop();
    }
    updateClock();
    QWidget::leaveEvent(event);
}

void TickerStrip::checkHover() {
    // A popup of the strip's (its menu, a headline's menu) keeps it still while open.
    if (QApplication::activePopupWidget()) return;
    const bool over = isVisible() && rect().contains(mapFromGlobal(QCursor::pos()));
    if (over)
        hoverCheck_.start();
    else
        hoverCheck_.stop();
    if (over == hoverPaused_) return;
    hoverPaused_ = over;
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
    // Held still, the strip does not show the new speed by itself.
    speedOverlay_.show(QCoreApplication::translate("TickerStrip", "Speed: %1 px/s").arg(std::lround(speed_)),
                       speedOverlayMs);
    if (speed_ != before) emit speedChanged(speed_);
}

void TickerStrip::mousePressEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    pressedId_ =
        button == Qt::LeftButton || button == Qt::MiddleButton ? signIdAt(event->position().toPoint()) : 0;
    event->accept();
    if (button == Qt::LeftButton) {
        // The strip takes the keyboard when clicked, as any window does.
        activateWindow();
        setFocus(Qt::MouseFocusReason);
    }
}

void TickerStrip::mouseReleaseEvent(QMouseEvent* event) {
    const int id = pressedId_;
    pressedId_ = 0;
    event->accept();
    const QPoint at = event->position().toPoint();
    const QRect undoButton = undoOverlay_.buttonRectIn(rect(), look_.standardFont);
    if (event->button() == Qt::LeftButton && undoButton.contains(at)) {
        undoOverlay_.trigger();
        return;
    }
    if (overlayArea(undoOverlay_).contains(at) || overlayArea(speedOverlay_).contains(at)) return;
    if (event->button() == Qt::LeftButton && isEmptyNoticeShown()) return emit emptyNoticeClicked();
    if (!id || id != signIdAt(at)) return;
    // A middle click or a Ctrl+click goes straight to the headline's page.
    const bool straight = event->button() == Qt::MiddleButton ||
                          (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier));
    if (straight)
        openSignLinkOf(id);
    else if (event->button() == Qt::LeftButton)
        activateSign(id);
}

void TickerStrip::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const bool clickable =
        isClickable(signIdAt(at)) || undoOverlay_.buttonRectIn(rect(), look_.standardFont).contains(at);
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
    SignLook look = lookFor(appearance_);
    look.pixelRatio = devicePixelRatioF();
    setLook(look);
}

void TickerStrip::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A desktop theme changed at run time reaches a child widget as its own palette
    // or font changing, not as the application's.
    switch (event->type()) {
    case QEvent::ApplicationFontChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::FontChange:
    case QEvent::PaletteChange:
        refreshLook();
        break;
    default:
        break;
    }
}

void TickerStrip::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateClock();
}

void TickerStrip::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateClock();
}

void TickerStrip::focusOutEvent(QFocusEvent* event) {
    // A headline's menu opened from the keyboard keeps the mark where it was.
    if (event->reason() != Qt::PopupFocusReason) setMarkedSign(0);
    QWidget::focusOutEvent(event);
}
