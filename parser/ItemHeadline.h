#pragma once
#include <QString>
#include <QVariantMap>

// The key under which a reader leaves, for an item without a title, the plain
// text that stands in for it when the item's own order of stand-ins is not the
// description's (JSON Feed's summary comes before its content). No element name
// can be written so.
inline const QString kHeadlineStandInKey = QStringLiteral("#headline");

// What an item's sign and its menu's headline entry show: its title's text, or,
// for an item without one, the plain text of what stands in for it (the reader's
// stand-in, else the description, else content:encoded): tags dropped, entities
// and character references decoded, white space collapsed. Empty when none of
// them has any text: such an item gets no sign.
QString itemHeadline(const QVariantMap& item);
