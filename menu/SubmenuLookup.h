#pragma once
#include <QString>

class QMenu;

// The top-level entry of a menu with exactly this title that carries a submenu.
QMenu* submenuTitled(QMenu* menu, const QString& title);

// Where the click's item dictionary is kept beside the command context, so a
// command can tell that an update has since put another item at that index.
inline const char* const kClickedItemProperty = "newsreelClickedItem";
