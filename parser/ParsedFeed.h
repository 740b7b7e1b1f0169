#pragma once
#include <QVariantList>
#include <QVariantMap>
#include <optional>

// A feed keeps its first items only: a document of millions of empty items
// (16 MiB holds two million) would otherwise cost gigabytes in dictionaries that
// no ticker could show.
constexpr qsizetype kMaxItemsPerFeed = 10'000;

// What a reader makes of one feed document: its channel dictionary and its item
// dictionaries in document order. Each is absent when the document had none.
struct ParsedFeed {
    std::optional<QVariantMap> channel;
    std::optional<QVariantList> items;
    // Items of the document past kMaxItemsPerFeed, read over and not kept.
    qsizetype itemsLeftOut = 0;
};
