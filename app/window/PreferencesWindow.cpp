#include "app/window/PreferencesWindow.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QVBoxLayout>

PreferencesWindow::PreferencesWindow(const QList<PNPrefPaneProtocol*>& panes, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Pennant Preferences"));
    list_ = new QListWidget(this);
    list_->setIconSize(QSize(32, 32));
    stack_ = new QStackedWidget(this);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(list_);
    row->addWidget(stack_, 1);
    column->addLayout(row, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
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
        QString name = pane->label();
        if (name.isEmpty()) name = pane->identifier();
        auto* entry = new QListWidgetItem(pane->icon(), name, list_);
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
        auto* missing =
            new QLabel(QStringLiteral("This plug-in's preferences could not be loaded."), page.holder);
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
    show();
    raise();
    activateWindow();
    if (!wasVisible || !selected_) showPage(row);
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
