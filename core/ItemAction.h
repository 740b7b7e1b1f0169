#pragma once
#include <QString>

// What a text sign carries back when clicked, and what finds that sign again
// when its item is hidden: the item index, ",", the feed URL.
inline QString itemActionString(qsizetype index, const QString& feedURL) {
    return QString::number(index) + u',' + feedURL;
}
