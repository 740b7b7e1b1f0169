#include "menu/DescriptionWindow.h"

#include "menu/DescriptionHeader.h"
#include "menu/DescriptionView.h"
#include "platform/Window.h"

#include <QLabel>
#include <QWidget>

DescriptionWindow::DescriptionWindow(BundleSource bundle) : bundle_(std::move(bundle)) {}

DescriptionWindow::~DescriptionWindow() = default;

bool DescriptionWindow::load() {
    if (tried_) return root_ != nullptr;
    tried_ = true;
    using platform::bindTo;
    root_.reset(loadInterfacePart(bundle_, {QStringLiteral("webWindow")}, this,
                                  {{QStringLiteral("webWindow"), bindTo(outlets_.webWindow)},
                                   {QStringLiteral("webView"), bindTo(outlets_.webView)},
                                   {QStringLiteral("webNameLabel"), bindTo(outlets_.webNameLabel)}},
                                  &error_));
    if (!root_) return false;
    // A window of its own, and a view that never fetches what a description names.
    outlets_.webWindow->setParent(root_.get(), Qt::Window);
    outlets_.webView = replaceWithDescriptionView(outlets_.webView);
    return true;
}

void DescriptionWindow::showDescription(const QString& html, const QString& label) {
    if (!load()) return;
    auto* view = qobject_cast<DescriptionView*>(outlets_.webView);
    if (!view) return;
    view->showHTML(html);
    // The header is the menu command's to fill; a bare description has none.
    clearDescriptionHeader(outlets_.webWindow);
    // A window already on screen stays where the user put it.
    if (!platform::isVisible(outlets_.webWindow)) platform::center(outlets_.webWindow);
    outlets_.webNameLabel->setTextFormat(Qt::PlainText);
    outlets_.webNameLabel->setText(label);
    platform::orderFront(outlets_.webWindow);
}

void DescriptionWindow::closeWebWindow(QObject*) {
    if (!outlets_.webWindow || !platform::isVisible(outlets_.webWindow)) return;
    platform::orderOut(outlets_.webWindow);
    outlets_.webWindow->close();
}
