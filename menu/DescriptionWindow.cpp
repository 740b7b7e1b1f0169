#include "menu/DescriptionWindow.h"

#include "menu/DescriptionHeader.h"
#include "menu/DescriptionView.h"
#include "platform/Window.h"

#include <QLabel>
#include <QWidget>

DescriptionWindow::DescriptionWindow(BundleSource bundle)
    : part_(std::move(bundle), {QStringLiteral("webWindow")}) {}

DescriptionWindow::~DescriptionWindow() = default;

bool DescriptionWindow::load() {
    if (part_.attempted()) return part_.isLoaded();
    using platform::bindTo;
    if (!part_.load(this, {{QStringLiteral("webWindow"), bindTo(outlets_.webWindow)},
                           {QStringLiteral("webView"), bindTo(outlets_.webView)},
                           {QStringLiteral("webNameLabel"), bindTo(outlets_.webNameLabel)}}))
        return false;
    // A window of its own, and a view that never fetches what a description names.
    outlets_.webWindow->setParent(part_.root(), Qt::Window);
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
    // Opened by a menu choice, it is what the user works with next: Escape closes it.
    platform::makeKeyAndOrderFront(outlets_.webWindow);
}

void DescriptionWindow::closeWebWindow(QObject*) {
    if (!outlets_.webWindow || !platform::isVisible(outlets_.webWindow)) return;
    platform::orderOut(outlets_.webWindow);
    outlets_.webWindow->close();
}
