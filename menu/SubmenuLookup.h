#pragma once
#include <QString>

class QMenu;

// The top-level entry of a menu with exactly this title that carries a submenu.
QMenu* submenuTitled(QMenu* menu, const QString& title);
