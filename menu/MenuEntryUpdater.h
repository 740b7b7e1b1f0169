#pragma once
#include "parser/FeedModel.h"

#include <QString>

class QAction;
class QMenu;

// What an entry may show of an item or channel: one field, or a list of them
// (its categories). Neither when it has nothing under the key.
struct MenuValue {
    const Field* field = nullptr;
    const Categories* list = nullptr;
    bool isPresent() const { return field || list; }
};
MenuValue menuValue(const FeedItem& item, const QString& key);
MenuValue menuValue(const FeedChannel& channel, const QString& key);

// Puts item into fromMenu at atIndex when usingDictionary has withKey, and takes
// it out when it has not; with a prefix the entry's title becomes the prefix and
// the value (a submenu of values for a list of several). Returns whether the
// entry is in the menu.
bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const FeedItem& usingDictionary,
                    const QString& withKey, const QString* updatingTitleWithPrefix);
bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const FeedChannel& usingDictionary,
                    const QString& withKey, const QString* updatingTitleWithPrefix);
// The same for a value already looked up.
bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const MenuValue& value,
                    const QString* updatingTitleWithPrefix);
