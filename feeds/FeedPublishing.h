#pragma once
#include "core/FeedDictionary.h"

#include <QString>

class NewsreelPlugin;

// The worker builds a feed dictionary and its signs privately and publishes them
// in one step, so main-thread readers never see one half built and a failed
// update leaves the feed as it was. These take dataMutex briefly, never across a
// host call.

// Creates the feed's entry on first use. Returns whether it holds a parsed
// document (channel or items) and, in *onTicker, whether signs of it are shown.
bool prepareFeedEntry(NewsreelPlugin& plugin, const QString& feedURL, bool* onTicker);

// The parsed document and its signs, posted as one swap: when the feed is still
// listed, the entry takes the new channel and items (unless keepDictionary) and
// the new signs as its "tickers"; the signs are posted, and then the earlier ones
// come off. For a feed that left the list the dictionary is kept but nothing is
// posted. Returns whether signs were swapped.
bool swapFeedSigns(NewsreelPlugin& plugin, const QString& feedURL, FeedDictionary&& parsed,
                   bool keepDictionary);

// Whether a record of the working feed list still has this URL.
bool isFeedListed(NewsreelPlugin& plugin, const QString& feedURL);
