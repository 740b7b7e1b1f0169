#include "app/window/PreferencesWindow.h"

#include "app/window/WindowPlacement.h"
#include "platform/Bundle.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// What the list calls a pane: its label, else its bundle's name, else its identifier.
QString pageName(const PNPrefPaneProtocol& pane) {
    if (!pane.label().isEmpty()) return pane.label();
    if (const std::shared_ptr<platform::Bundle> bundle = pane.bundle()) {
        const QString name = QFileInfo(QDir::cleanPath(bundle->bundlePath())).completeBaseName();
        if (!name.isEmpty()) return name;
    }
    return pane.identifier();
}

// Until the window manager has framed the window once: a title bar and thin edges.
const QMargins guessedFrame(6, 32, 6, 6);

} // namespace

PreferencesWindow::PreferencesWindow(const QList<PNPrefPaneProtocol*>& panes, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Pennant Preferences"));
    list_ = new QListWidget(this);
    list_->setIconSize(QSize(32, 32));
    stack_ = new QStackedWidget;
    // A small screen (or a large scale) leaves less room than a page wants: the page
    // scrolls, the Close button stays in view.
    auto* scroller = new QScrollArea(this);
    scroller->setWidget(stack_);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(list_);
    row->addWidget(scroller, 1);
    column->addLayout(row, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("&Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    column->addWidget(buttons);

    for (PNPrefPaneProtocol* pane : panes) {
        if (!pane || !pane->hasPrefsPane()) continue;
        Page page;
        page.pane = pane;
        page.holder = new QWidget(stack_);
        auto* column = new QVBoxLayout(page.holder);
        column->setContentsMargins(0, 0, 0, 0);
        stack_->addWidget(page.holder);
        auto* entry = new QListWidgetItem(pane->icon(), pageName(*pane), list_);
        entry->setToolTip(pane->userInfo());
        pages_.append(page);
    }
    // With one pane the list adds nothing.
    list_->setVisible(pages_.size() > 1);
    list_->setFixedWidth(list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + 8);
    connect(list_, &QListWidget::currentRowChanged, this, &PreferencesWindow::showPage);
    // Room for whole feed addresses; the layout keeps the panes' own minimum.
    resize(760, 440);
}

PreferencesWindow::~PreferencesWindow() {
    dismiss();
    returnViews();
}

void PreferencesWindow::lendView(Page& page) {
    if (page.lent) return;
    if (!page.pane->mainView()) page.pane->loadMainView();
    QWidget* view = page.pane->mainView();
    if (!view) {
        auto* missing = new QLabel(tr("This plug-in's preferences could not be loaded."), page.holder);
        missing->setAlignment(Qt::AlignCenter);
        page.holder->layout()->addWidget(missing);
        page.lent = true;
        return;
    }
    page.view = view;
    page.formerParent = view->parentWidget();
    page.holder->layout()->addWidget(view);
    view->show();
    page.lent = true;
}

void PreferencesWindow::returnViews() {
    for (Page& page : pages_) {
        if (page.view && page.view->parentWidget() == page.holder) {
            page.holder->layout()->removeWidget(page.view);
            // Back where the plug-in had it, so that it stays the plug-in's to delete.
            page.view->setParent(page.formerParent ? page.formerParent.data() : nullptr);
        }
        page.view = nullptr;
        page.lent = false;
    }
}

void PreferencesWindow::open() {
    if (pages_.isEmpty()) return;
    for (Page& page : pages_)
        lendView(page);
    const int row = list_->currentRow() < 0 ? 0 : list_->currentRow();
    if (list_->currentRow() != row) {
        const QSignalBlocker quiet(list_);
        list_->setCurrentRow(row);
    }
    const bool wasVisible = isVisible();
    if (!wasVisible) fitToFreeArea();
    show();
    raise();
    activateWindow();
    if (!wasVisible || !selected_) showPage(row);
    if (!wasVisible) {
        // The frame the window manager gives is known only once the window is on
        // screen: if it reaches beyond the free area, the window moves in.
        QPointer<PreferencesWindow> self(this);
        for (int delay : {150, 600})
            QTimer::singleShot(delay, this, [self] {
                if (self && self->isVisible()) self->fitToFreeArea();
            });
    }
}

QRect PreferencesWindow::freeArea() const {
    QScreen* screen = clearOf_ && clearOf_->screen() ? clearOf_->screen() : this->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QRect strip = clearOf_ && clearOf_->isVisible() ? clearOf_->frameGeometry() : QRect();
    return freeAreaBeside(screen->availableGeometry(), strip);
}

void PreferencesWindow::fitToFreeArea() {
    const QRect area = freeArea();
    if (area.isEmpty()) return;
    const QRect frame = frameGeometry(), inner = geometry();
    const bool framed = isVisible() && frame != inner;
    if (framed)
        frame_ = QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                          frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QMargins margins = framed || !frame_.isNull() ? frame_ : guessedFrame;
    // Already within: a window the user moved stays where it is, also when it opens
    // again.
    const bool placed = isVisible() || !frame_.isNull();
    if (placed && area.contains(inner.marginsAdded(margins))) return;
    const QRect fitted = fitWithin(area, size(), margins);
    resize(fitted.size());
    move(fitted.topLeft() - QPoint(margins.left(), margins.top()));
}

void PreferencesWindow::selectPage(int index) {
    if (index < 0 || index >= pages_.size()) return;
    list_->setCurrentRow(index);
}

void PreferencesWindow::showPage(int index) {
    if (index < 0 || index >= pages_.size()) return;
    stack_->setCurrentIndex(index);
    if (!isVisible()) return;
    PNPrefPaneProtocol* next = pages_[index].pane;
    if (next == selected_) return;
    if (selected_) selected_->willUnselect();
    selected_ = next;
    selected_->willSelect();
}

void PreferencesWindow::dismiss() {
    if (isVisible())
        close();
    else if (selected_) {
        PNPrefPaneProtocol* pane = selected_;
        selected_ = nullptr;
        pane->willUnselect();
    }
}

void PreferencesWindow::closeEvent(QCloseEvent* event) {
    // A cell still being typed in is committed first, so the pane stores it.
    if (QWidget* typing = focusWidget()) typing->clearFocus();
    if (selected_) {
        PNPrefPaneProtocol* pane = selected_;
        selected_ = nullptr;
        pane->willUnselect();
    }
    event->accept();
    emit closed();
}

void PreferencesWindow::keyPressEvent(QKeyEvent* event) {
    // Reaches the window only when no control wanted the key (an open cell editor
    // takes Escape to cancel its edit).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
