#include "menu/DescriptionView.h"

#include "menu/DescriptionMarkup.h"
#include "menu/SafeOpener.h"

#include <QLayout>

QVariant DescriptionDocument::loadResource(int, const QUrl&) {
    return {};
}

DescriptionView::DescriptionView(QWidget* parent) : QTextBrowser(parent) {
    setDocument(new DescriptionDocument(this));
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { openClickedLink(url); });
}

QVariant DescriptionView::loadResource(int, const QUrl&) {
    return {};
}

void DescriptionView::showHTML(const QString& html) {
    // Only markup the layout gets through quickly, and nothing that could run or
    // load anything wherever the shown form is read again.
    const QString shown = boundedDescription(html);
    // No base URL: relative links and images resolve against nothing.
    document()->setBaseUrl(QUrl());
    setHtml(shown);
    setProperty("loadedHTML", shown);
}

DescriptionView* replaceWithDescriptionView(QTextBrowser* loaded) {
    if (!loaded) return nullptr;
    if (auto* view = qobject_cast<DescriptionView*>(loaded)) return view;
    auto* view = new DescriptionView(loaded->parentWidget());
    view->setObjectName(loaded->objectName());
    view->setSizePolicy(loaded->sizePolicy());
    view->setMinimumSize(loaded->minimumSize());
    if (QWidget* parent = loaded->parentWidget(); parent && parent->layout()) {
        delete parent->layout()->replaceWidget(loaded, view, Qt::FindChildrenRecursively);
    }
    delete loaded;
    return view;
}
