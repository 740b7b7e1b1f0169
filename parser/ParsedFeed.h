#pragma once
#include <QVariantList>
#include <QVariantMap>
#include <optional>

// What a reader makes of one feed document: its channel dictionary and its item
// dictionaries in document order. Each is absent when the document had none.
struct ParsedFeed {
    std::optional<QVariantMap> channel;
    std::optional<QVariantList> items;
};
