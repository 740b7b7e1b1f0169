#include "core/NewsreelPlugin.h"

#include "menu/DescriptionHeader.h"
#include "menu/DescriptionView.h"
#include "platform/Window.h"

#include <QLabel>

void NewsreelPlugin::showDescription(const QString& html, const QString& label) {
    if (!webWindow || !webView || !webNameLabel) return;
    if (auto* view = qobject_cast<DescriptionView*>(webView))
        view->showHTML(html);
    else
        return; // never a view that would fetch what the description names
    // The header is the menu command's to fill; a bare description has none.
    clearDescriptionHeader(webWindow);
    // A window already on screen stays where the user put it.
    if (!platform::isVisible(webWindow)) platform::center(webWindow);
    webNameLabel->setTextFormat(Qt::PlainText);
    webNameLabel->setText(label);
    platform::orderFront(webWindow);
}

void NewsreelPlugin::closeWebWindow(QObject*) {
    if (!platform::isVisible(webWindow)) return;
    platform::orderOut(webWindow);
    webWindow->close();
}
