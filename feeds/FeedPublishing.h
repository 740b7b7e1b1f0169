#pragma once
#include "core/FeedDictionary.h"

#include <QString>

class NewsreelPlugin;

// The worker builds a feed dictionary privately and publishes it in one step, so
// main-thread readers never see one half built. These take dataMutex briefly.

// Puts the parsed channel and items into the entry under feedURL. False when
// topDictionary holds no entry for it any more.
bool publishFeedDictionary(NewsreelPlugin& plugin, const QString& feedURL, FeedDictionary&& parsed);

// Appends a sign the host now has to the feed's "tickers" list, creating the list
// first. False when the entry is gone: the caller takes the sign back off.
bool recordPostedSign(NewsreelPlugin& plugin, const QString& feedURL, const PNSignRef& sign);

// Whether a record of the working feed list still has this URL. An update whose
// feed was unsubscribed or removed meanwhile posts nothing: no timer, deactivation
// or later update would ever take those signs off again.
bool isFeedListed(NewsreelPlugin& plugin, const QString& feedURL);
