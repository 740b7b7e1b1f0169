#pragma once
#include "parser/FeedModel.h"

#include <QString>

// What an item's sign and its menu's headline entry show: its title's text, or,
// for an item without one, the plain text of what stands in for it (the reader's
// stand-in, else the description, else content:encoded): tags dropped, entities
// and character references decoded, white space collapsed. Empty when none of
// them has any text: such an item gets no sign.
QString itemHeadline(const FeedItem& item);
