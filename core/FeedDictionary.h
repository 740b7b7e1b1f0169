#pragma once
#include "host/PNTickerSign.h"

#include <QList>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

// The parsed form of one feed: its channel dictionary, its item dictionaries in
// document order, and the signs posted for it (image sign first). Each member is
// absent until something makes it.
struct FeedDictionary {
    std::optional<QVariantMap> channel;
    std::optional<QVariantList> items;
    std::optional<QList<PNSignRef>> tickers;

    void removeAllObjects() {
        channel.reset();
        items.reset();
        tickers.reset();
    }
    bool isEmpty() const { return !channel && !items && !tickers; }
};
