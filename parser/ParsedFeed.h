#pragma once
#include "parser/FeedModel.h"

#include <QList>
#include <optional>

// A feed keeps its first items only: a document of millions of empty items
// (16 MiB holds two million) would otherwise cost gigabytes in dictionaries that
// no ticker could show.
constexpr qsizetype kMaxItemsPerFeed = 10'000;

// What a reader makes of one feed document: its channel and its items in
// document order. Each is absent when the document had none.
struct ParsedFeed {
    std::optional<FeedChannel> channel;
    std::optional<QList<FeedItem>> items;
    // Items of the document past kMaxItemsPerFeed, read over and not kept.
    qsizetype itemsLeftOut = 0;
};
