#include "app/window/TickerWindow.h"

#include "app/window/StripKeyboard.h"
#include "app/window/X11Dock.h"

#include <QActionGroup>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

TickerWindow::TickerWindow(SignRegistry& signs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Pennant"));
    // No decorations, and active only when clicked or given the focus (for the
    // keyboard); on X11 a dock as well (X11Dock).
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Tips come only to the active window, which the strip never is.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    strip_ = new TickerStrip(signs, this);
    // Made active by the window manager, the window hands the keyboard to the strip.
    setFocusProxy(strip_);
    setFocusPolicy(Qt::StrongFocus);
    auto* keyboard = new StripKeyboard(strip_);
    connect(keyboard, &StripKeyboard::preferencesRequested, this, [this] {
        if (preferencesAvailable_) emit preferencesRequested();
    });
    connect(keyboard, &StripKeyboard::refreshRequested, this, &TickerWindow::refreshRequested);
    connect(keyboard, &StripKeyboard::quitRequested, this, &TickerWindow::quitRequested);
    connect(keyboard, &StripKeyboard::pauseToggleRequested, strip_,
            [this] { strip_->setPaused(!strip_->isPaused()); });

    noticeBar_ = new QWidget(this);
    noticeBar_->setAutoFillBackground(true);
    QPalette palette = noticeBar_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    noticeBar_->setPalette(palette);
    auto* row = new QHBoxLayout(noticeBar_);
    row->setContentsMargins(6, 1, 2, 1);
    noticeLabel_ = new QLabel(noticeBar_);
    noticeLabel_->setTextFormat(Qt::PlainText);
    noticeLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    dismissButton_ = new QToolButton(noticeBar_);
    dismissButton_->setText(tr("Dismiss"));
    dismissButton_->setAutoRaise(true);
    row->addWidget(noticeLabel_, 1);
    row->addWidget(dismissButton_);
    connect(dismissButton_, &QToolButton::clicked, this, [this] { setNotice({}); });
    noticeBar_->hide();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    arrange();

    // A new font or height changes the window's height and the room it reserves.
    connect(strip_, &TickerStrip::lookChanged, this, &TickerWindow::placeOnScreen);
    connect(strip_, &TickerStrip::hostMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = makeHostMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });
    // Screens come and go (a monitor plugged in, a laptop docked): the strip finds
    // its screen again once Qt has settled the list.
    const auto redock = [this] { QTimer::singleShot(0, this, &TickerWindow::placeOnScreen); };
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, redock);
    connect(qApp, &QGuiApplication::screenAdded, this, redock);
    connect(qApp, &QGuiApplication::screenRemoved, this, redock);
}

void TickerWindow::watchScreens() {
    for (const QMetaObject::Connection& c : std::as_const(screenWatch_))
        disconnect(c);
    screenWatch_.clear();
    QScreen* screen = targetScreen();
    if (!screen) return;
    screenWatch_ << connect(screen, &QScreen::geometryChanged, this, &TickerWindow::placeOnScreen)
                 << connect(screen, &QScreen::availableGeometryChanged, this, &TickerWindow::placeOnScreen)
                 << connect(screen, &QScreen::physicalDotsPerInchChanged, strip_, &TickerStrip::refreshLook);
}

void TickerWindow::arrange() {
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->removeWidget(strip_);
    column->removeWidget(noticeBar_);
    // The notice sits on the side away from the screen's edge, the strip at the edge.
    if (dockEdge_ == HostSettings::DockEdge::Top) {
        column->addWidget(strip_);
        column->addWidget(noticeBar_);
    } else {
        column->addWidget(noticeBar_);
        column->addWidget(strip_);
    }
}

void TickerWindow::setDockEdge(HostSettings::DockEdge edge) {
    dockEdge_ = edge;
    arrange();
    placeOnScreen();
}

void TickerWindow::setNotice(const QString& text) {
    notice_ = text.simplified();
    noticeBar_->setVisible(!notice_.isEmpty());
    noticeLabel_->setToolTip(notice_);
    showNoticeText();
    placeOnScreen();
}

bool TickerWindow::isNoticeShown() const {
    return !noticeBar_->isHidden();
}

void TickerWindow::showNoticeText() {
    // One line: what does not fit is elided, and the whole text is in the tooltip.
    const int room = std::max(0, noticeLabel_->width());
    noticeLabel_->setText(noticeLabel_->fontMetrics().elidedText(notice_, Qt::ElideMiddle, room));
}

void TickerWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showNoticeText();
}

void TickerWindow::setScreenName(const QString& name) {
    screenName_ = name;
    placeOnScreen();
}

QScreen* TickerWindow::targetScreen() const {
    if (!screenName_.isEmpty())
        for (QScreen* screen : QGuiApplication::screens())
            if (screen->name() == screenName_) return screen;
    return QGuiApplication::primaryScreen();
}

void TickerWindow::placeOnScreen() {
    QScreen* screen = targetScreen();
    if (!screen) return;
    watchScreens();
    // A dock sits at the screen's very edge: the space it reserves is taken out of
    // the available area, which must not push it inwards. Elsewhere the available
    // area keeps clear of the desktop's own panels.
    const bool dock = x11dock::available();
    const QRect area = dock ? screen->geometry() : screen->availableGeometry();
    // The strip's own height may not have reached its geometry yet.
    const int height = strip_->look().height + (isNoticeShown() ? noticeBar_->sizeHint().height() : 0);
    const int top = dockEdge_ == HostSettings::DockEdge::Top ? area.top() : area.bottom() + 1 - height;
    if (dock && !dockMade_) {
        x11dock::makeDock(this);
        dockMade_ = true;
    }
    const bool moved = windowHandle() && windowHandle()->screen() != screen;
    if (moved) windowHandle()->setScreen(screen);
    setFixedSize(area.width(), height);
    setGeometry(area.left(), top, area.width(), height);
    if (moved) strip_->refreshLook();
    if (dock) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect native(QPoint(qRound(area.x() * ratio), qRound(area.y() * ratio)),
                           QSize(qRound(area.width() * ratio), qRound(area.height() * ratio)));
        x11dock::reserve(this, dockEdge_, native, qRound(height * ratio));
    }
}

QMenu* TickerWindow::makeHostMenu() {
    auto* menu = new QMenu(this);
    const bool paused = strip_->isPaused();
    // The keys are the strip's (StripKeyboard); the menu only shows them.
    const auto withKey = [](QAction* action, const char* key) {
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
        return action;
    };
    withKey(menu->addAction(paused ? tr("Resume") : tr("Pause"), strip_,
                            [this, paused] { strip_->setPaused(!paused); }),
            "Ctrl+K");
    QAction* preferences =
        withKey(menu->addAction(tr("Preferences…"), this, [this] { emit preferencesRequested(); }), "Ctrl+P");
    preferences->setEnabled(preferencesAvailable_);
    withKey(menu->addAction(tr("Refresh now"), this, [this] { emit refreshRequested(); }), "Ctrl+R");
    menu->addSeparator();
    auto* edges = new QActionGroup(menu);
    QAction* top = menu->addAction(tr("Dock at Top"), this,
                                   [this] { emit dockEdgeChosen(HostSettings::DockEdge::Top); });
    QAction* bottom = menu->addAction(tr("Dock at Bottom"), this,
                                      [this] { emit dockEdgeChosen(HostSettings::DockEdge::Bottom); });
    for (QAction* edge : {top, bottom}) {
        edge->setCheckable(true);
        edges->addAction(edge);
    }
    (dockEdge_ == HostSettings::DockEdge::Top ? top : bottom)->setChecked(true);
    addScreenMenu(menu);
    menu->addSeparator();
    withKey(menu->addAction(tr("Quit"), this, [this] { emit quitRequested(); }), "Ctrl+Q");
    return menu;
}

void TickerWindow::addScreenMenu(QMenu* menu) {
    QMenu* screens = menu->addMenu(tr("Screen"));
    auto* group = new QActionGroup(screens);
    const QScreen* current = targetScreen();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QSize size = screen->size();
        QString text = QStringLiteral("%1 (%2×%3)").arg(screen->name()).arg(size.width()).arg(size.height());
        if (screen == QGuiApplication::primaryScreen()) text += tr(", primary");
        const QString name = screen->name();
        QAction* entry = screens->addAction(text, this, [this, name] { emit screenChosen(name); });
        entry->setCheckable(true);
        entry->setChecked(screen == current);
        group->addAction(entry);
    }
}
