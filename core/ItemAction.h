#pragma once
#include "platform/Values.h"

#include <QString>
#include <QStringBuilder>
#include <optional>

// What a text sign carries back when clicked, and what finds that sign again
// when its item is hidden: the item index, ",", the feed URL.
inline QString itemActionString(qsizetype index, const QString& feedURL) {
    // Built in one allocation of its exact size: every sign keeps one.
    return QString(QString::number(index) % u',' % feedURL);
}

struct ItemActionParts {
    qsizetype index = -1;
    QString feedURL;
};

// The string read back: the index is what its digits say (-1 or any other
// number may name no item), the feed URL everything after the first comma.
// Nothing for a string without a comma.
inline std::optional<ItemActionParts> itemActionParts(const QString& action) {
    const qsizetype comma = action.indexOf(u',');
    if (comma < 0) return std::nullopt;
    return ItemActionParts{platform::intValueOfText(action.left(comma)), action.mid(comma + 1)};
}
