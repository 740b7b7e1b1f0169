#pragma once
#include "core/ItemAction.h"
#include "host/PNAttributedString.h"
#include "parser/ItemFields.h"

#include <QString>
#include <QVariantList>

// Whether the user hid this item: its guid text is among the feed's hidden items.
bool isHiddenItem(const FeedItem& item, const QVariantList& hiddenItems);

// A text sign's text: the item part T (its headline: the title, or for an item
// without one the plain text of what stands in for it, see itemHeadline) and the
// channel part C, each shortened to titleLength, as T + " (" + C + ") ". T is in the standard font, the rest
// in the small one; T is blue and underlined when the item has a link.
PNAttributedString signText(const FeedItem& item, const FeedChannel& channel, int titleLength);

// A text sign's tool tip: the item part and the channel's title whole, one line
// each, as plain text.
QString signToolTip(const FeedItem& item, const FeedChannel& channel);
