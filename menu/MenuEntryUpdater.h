#pragma once
#include <QString>
#include <QVariantMap>

class QAction;
class QMenu;

// Puts item into fromMenu at atIndex when usingDictionary has withKey, and takes
// it out when it has not; with a prefix the entry's title becomes the prefix and
// the value (a submenu of values for a list of several). Returns whether the
// entry is in the menu.
bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const QVariantMap& usingDictionary,
                    const QString& withKey, const QString* updatingTitleWithPrefix);
