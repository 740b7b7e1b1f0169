#include "menu/MenuEntryUpdater.h"

#include "menu/MenuText.h"
#include "parser/ItemFields.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace {

// The most values a submenu lists; the rest are counted in one last entry.
constexpr qsizetype kMaxSubmenuEntries = 50;

void detachSubmenu(QAction* item) {
    QMenu* old = item->menu<QMenu*>();
    if (!old) return;
    item->setMenu<QMenu*>(nullptr);
    // Only submenus made here hang on managed entries; they go with their entries.
    delete old;
}

} // namespace

MenuValue menuValue(const FeedItem& item, const QString& key) {
    if (key == itemkeys::kCategories) return {nullptr, item.categories ? &*item.categories : nullptr};
    return {item.field(key), nullptr};
}

MenuValue menuValue(const FeedChannel& channel, const QString& key) {
    if (key == itemkeys::kCategories) return {nullptr, channel.categories ? &*channel.categories : nullptr};
    return {channel.field(key), nullptr};
}

bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const FeedItem& usingDictionary,
                    const QString& withKey, const QString* updatingTitleWithPrefix) {
    return updateMenuItem(item, fromMenu, atIndex, menuValue(usingDictionary, withKey),
                          updatingTitleWithPrefix);
}

bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const FeedChannel& usingDictionary,
                    const QString& withKey, const QString* updatingTitleWithPrefix) {
    return updateMenuItem(item, fromMenu, atIndex, menuValue(usingDictionary, withKey),
                          updatingTitleWithPrefix);
}

bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const MenuValue& value,
                    const QString* updatingTitleWithPrefix) {
    if (!item || !fromMenu) return false;
    const QList<QAction*> entries = fromMenu->actions();
    const bool inMenu = entries.contains(item);
    if (!value.isPresent()) {
        if (inMenu) fromMenu->removeAction(item);
        return false;
    }
    if (!inMenu) {
        // Past the end (a layout that lost entries) the entry goes last.
        QAction* before = atIndex >= 0 && atIndex < entries.size() ? entries.at(atIndex) : nullptr;
        fromMenu->insertAction(before, item);
    }
    if (!updatingTitleWithPrefix) return true;

    const QString& prefix = *updatingTitleWithPrefix;
    item->setText(literalMenuTitle(prefix));
    detachSubmenu(item);

    if (value.field) {
        if (value.field->hasText()) item->setText(literalMenuTitle(prefix + value.field->text));
    } else {
        const Categories& list = *value.list;
        if (list.size() == 1) {
            if (list.first().hasText()) item->setText(literalMenuTitle(prefix + list.first().text));
        } else if (list.size() > 1) {
            auto* submenu = new QMenu(literalMenuTitle(prefix), fromMenu);
            // A menu of a feed's every value could hold hundreds of thousands of
            // entries, which no one reads and which take the menu ages to build.
            qsizetype shown = 0;
            qsizetype more = 0;
            for (const Field& element : list) {
                if (!element.hasText()) continue;
                if (shown == kMaxSubmenuEntries) {
                    ++more;
                    continue;
                }
                // Inert entries: they only list the values.
                submenu->addAction(literalMenuTitle(element.text));
                ++shown;
            }
            if (more > 0)
                submenu->addAction(QCoreApplication::translate("MenuEntryUpdater", "and %1 more").arg(more))
                    ->setEnabled(false);
            if (submenu->actions().isEmpty())
                delete submenu;
            else
                item->setMenu<QMenu*>(submenu);
        }
    }
    return true;
}
