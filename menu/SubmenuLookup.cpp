#include "menu/SubmenuLookup.h"

#include <QAction>
#include <QMenu>

QMenu* submenuTitled(QMenu* menu, const QString& title) {
    if (!menu) return nullptr;
    for (QAction* entry : menu->actions())
        if (entry->text() == title && entry->menu<QMenu*>()) return entry->menu<QMenu*>();
    return nullptr;
}
