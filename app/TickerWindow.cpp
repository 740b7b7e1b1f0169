#include "app/TickerWindow.h"

#include <QActionGroup>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

TickerWindow::TickerWindow(SignRegistry& signs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setWindowTitle(QStringLiteral("Pennant"));
    // A panel to the window manager: no decorations, no taskbar entry, on every desktop.
    setAttribute(Qt::WA_X11NetWmWindowTypeDock);
    setAttribute(Qt::WA_ShowWithoutActivating);

    strip_ = new TickerStrip(signs, this);

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
    dismissButton_->setText(QStringLiteral("Dismiss"));
    dismissButton_->setAutoRaise(true);
    row->addWidget(noticeLabel_, 1);
    row->addWidget(dismissButton_);
    connect(dismissButton_, &QToolButton::clicked, this, [this] { setNotice({}); });
    noticeBar_->hide();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    arrange();

    connect(strip_, &TickerStrip::hostMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = makeHostMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });
    watchScreen(QGuiApplication::primaryScreen());
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen* screen) {
        watchScreen(screen);
        placeOnScreen();
    });
}

void TickerWindow::watchScreen(QScreen* screen) {
    if (!screen) return;
    connect(screen, &QScreen::availableGeometryChanged, this, &TickerWindow::placeOnScreen,
            Qt::UniqueConnection);
    connect(screen, &QScreen::physicalDotsPerInchChanged, strip_, &TickerStrip::refreshLook,
            Qt::UniqueConnection);
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

void TickerWindow::placeOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const int height = strip_->height() + (isNoticeShown() ? noticeBar_->sizeHint().height() : 0);
    const int top = dockEdge_ == HostSettings::DockEdge::Top ? area.top() : area.bottom() + 1 - height;
    if (windowHandle() && windowHandle()->screen() != screen) windowHandle()->setScreen(screen);
    setFixedSize(area.width(), height);
    setGeometry(area.left(), top, area.width(), height);
}

QMenu* TickerWindow::makeHostMenu() {
    auto* menu = new QMenu(this);
    const bool paused = strip_->isPaused();
    menu->addAction(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"), strip_,
                    [this, paused] { strip_->setPaused(!paused); });
    QAction* preferences =
        menu->addAction(QStringLiteral("Preferences…"), this, [this] { emit preferencesRequested(); });
    preferences->setEnabled(preferencesAvailable_);
    menu->addAction(QStringLiteral("Refresh now"), this, [this] { emit refreshRequested(); });
    menu->addSeparator();
    auto* edges = new QActionGroup(menu);
    QAction* top = menu->addAction(QStringLiteral("Dock at Top"), this,
                                   [this] { emit dockEdgeChosen(HostSettings::DockEdge::Top); });
    QAction* bottom = menu->addAction(QStringLiteral("Dock at Bottom"), this,
                                      [this] { emit dockEdgeChosen(HostSettings::DockEdge::Bottom); });
    for (QAction* edge : {top, bottom}) {
        edge->setCheckable(true);
        edges->addAction(edge);
    }
    (dockEdge_ == HostSettings::DockEdge::Top ? top : bottom)->setChecked(true);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Quit"), this, [this] { emit quitRequested(); });
    return menu;
}
