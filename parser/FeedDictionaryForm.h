#pragma once
#include "parser/FeedModel.h"
#include "parser/ParsedFeed.h"

#include <QVariantList>
#include <QVariantMap>

// A feed in the shape of nested dictionaries: every field under its element's
// name, a text, or an attribute dictionary with its text under "text";
// "categories" and "image" as lists and dictionaries. It is how a feed is
// written out to be read by people and compared whole, and the two directions
// are each other's inverse.
QVariant valueOfField(const Field& field);
Field fieldOfValue(const QVariant& value);

QVariantMap dictionaryOfItem(const FeedItem& item);
QVariantMap dictionaryOfChannel(const FeedChannel& channel);
FeedItem itemOfDictionary(const QVariantMap& dictionary);
FeedChannel channelOfDictionary(const QVariantMap& dictionary);

QVariantList itemDictionaries(const QList<FeedItem>& items);
QList<FeedItem> itemsOfDictionaries(const QVariantList& dictionaries);
