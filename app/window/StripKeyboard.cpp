#include "app/window/StripKeyboard.h"

#include "app/window/TickerStrip.h"
#include "app/window/X11Focus.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>

StripKeyboard::StripKeyboard(TickerStrip* strip) : QObject(strip), strip_(strip) {
    strip_->installEventFilter(this);
    connect(strip_, &TickerStrip::markedSignChanged, this, &StripKeyboard::describeMark);
}

bool StripKeyboard::eventFilter(QObject* watched, QEvent* event) {
    if (watched != strip_) return false;
    if (event->type() == QEvent::MouseButtonPress && !strip_->hasFocus()) {
        const quintptr active = x11focus::activeWindow();
        focusBefore_ = active == strip_->window()->winId() ? 0 : active;
        sinceClick_.start();
        return false;
    }
    if (event->type() == QEvent::FocusIn) {
        // Given the focus from the keyboard (by the window manager, say) the mark
        // shows at once; a click already says which headline is meant. A click on
        // an inactive window brings the focus only once the window manager has
        // made it active, under another reason.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byPointer =
            reason == Qt::MouseFocusReason || (sinceClick_.isValid() && sinceClick_.elapsed() < clickFocusMs);
        sinceClick_.invalidate();
        if (!byPointer && reason != Qt::PopupFocusReason && !strip_->markedSign())
            moveMark(0);
        else
            describeMark(strip_->markedSign());
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::ShortcutOverride) {
        // The strip's keys are its own while it has the focus, whatever shortcuts
        // the window holds.
        if (key->key() == Qt::Key_Escape) event->accept();
        return false;
    }
    if (!keyPressed(key->key(), key->modifiers() & ~Qt::KeypadModifier)) return false;
    key->accept();
    return true;
}

bool StripKeyboard::keyPressed(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers == Qt::ControlModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const int marked = strip_->markedSign();
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!plain) return false;
        moveMark(key == Qt::Key_Left ? -1 : +1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl) {
            if (marked) strip_->openSignLinkOf(marked);
            return true;
        }
        [[fallthrough]];
    case Qt::Key_Space:
        if (!plain) return false;
        if (marked) strip_->activateSign(marked);
        return true;
    case Qt::Key_Menu:
        emit strip_->hostMenuRequested(strip_->menuPosition());
        return true;
    case Qt::Key_F10:
        if (modifiers != Qt::ShiftModifier) return false;
        emit strip_->hostMenuRequested(strip_->menuPosition());
        return true;
    case Qt::Key_Escape:
        if (!plain) return false;
        leave();
        return true;
    case Qt::Key_P:
        if (!ctrl) return false;
        emit preferencesRequested();
        return true;
    case Qt::Key_R:
        if (!ctrl) return false;
        emit refreshRequested();
        return true;
    case Qt::Key_K:
        if (!ctrl) return false;
        emit pauseToggleRequested();
        return true;
    case Qt::Key_Q:
        if (!ctrl) return false;
        emit quitRequested();
        return true;
    case Qt::Key_Z:
        if (!ctrl) return false;
        strip_->undoOverlay().trigger();
        return true;
    default:
        return false;
    }
}

void StripKeyboard::moveMark(int direction) {
    const int next = strip_->neighbourOfMark(direction);
    if (next)
        strip_->setMarkedSign(next);
    else
        describeMark(0);
}

void StripKeyboard::leave() {
    strip_->setMarkedSign(0);
    strip_->clearFocus();
    if (focusBefore_) x11focus::activate(focusBefore_);
    focusBefore_ = 0;
}

void StripKeyboard::describeMark(int id) {
    // What a screen reader says for the strip: the marked headline and its feed.
    const auto [headline, feed] = strip_->spokenText(id);
    strip_->setAccessibleName(headline.isEmpty() ? QCoreApplication::translate("TickerStrip", "News ticker")
                                                 : headline);
    strip_->setAccessibleDescription(feed);
    if (!strip_->hasFocus()) return;
    QAccessibleEvent focus(strip_, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}
