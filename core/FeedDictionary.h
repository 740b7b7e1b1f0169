#pragma once
#include "host/PNTickerSign.h"
#include "parser/ParsedFeed.h"

#include <QList>
#include <optional>

// The stored form of one feed: what its document parsed to, and the signs posted
// for it (image sign first). Each member is absent until something makes it.
struct FeedDictionary : ParsedFeed {
    std::optional<QList<PNSignRef>> tickers;

    FeedDictionary() = default;
    FeedDictionary(ParsedFeed parsed) : ParsedFeed(std::move(parsed)) {} // NOLINT: a parse is stored as it is

    void removeAllObjects() {
        channel.reset();
        items.reset();
        tickers.reset();
    }
    bool isEmpty() const { return !channel && !items && !tickers; }
};
