#pragma once
#include "parser/FeedModel.h"

#include <QString>
#include <optional>

// The names under which a reader stores a channel's and an item's fields, and
// what reads them back. Menus, signs and the hidden items all depend on these
// spellings being the readers' own.
namespace itemkeys {
inline const QString kTitle = QStringLiteral("title");
inline const QString kLink = QStringLiteral("link");
inline const QString kGuid = QStringLiteral("guid");
inline const QString kDescription = QStringLiteral("description");
inline const QString kContentEncoded = QStringLiteral("content:encoded");
inline const QString kPubDate = QStringLiteral("pubDate");
inline const QString kComments = QStringLiteral("comments");
inline const QString kAuthor = QStringLiteral("author");
inline const QString kEnclosure = QStringLiteral("enclosure");
inline const QString kSource = QStringLiteral("source");
// The element a category comes in, and the list its texts are gathered under.
inline const QString kCategory = QStringLiteral("category");
inline const QString kCategories = QStringLiteral("categories");
// Dublin Core's date, which some feeds give in place of pubDate.
inline const QString kDcDate = QStringLiteral("dc:date");
// Channel fields (a channel's title, link and description go by the item's names).
inline const QString kImage = QStringLiteral("image");
inline const QString kTTL = QStringLiteral("ttl");
inline const QString kManagingEditor = QStringLiteral("managingEditor");
inline const QString kWebMaster = QStringLiteral("webMaster");
inline const QString kLanguage = QStringLiteral("language");
inline const QString kCopyright = QStringLiteral("copyright");
inline const QString kLastBuildDate = QStringLiteral("lastBuildDate");
inline const QString kGenerator = QStringLiteral("generator");
// The attributes of an element that carried them: its text, the address an
// enclosure, source or image names, and an enclosure's size and media type.
inline const QString kText = QStringLiteral("text");
inline const QString kURL = QStringLiteral("url");
inline const QString kLength = QStringLiteral("length");
inline const QString kType = QStringLiteral("type");
// Where a reader leaves, for an item without a title, the plain text that stands
// in for it when the item's own order of stand-ins is not the description's (JSON
// Feed's summary comes before its content). No element name can be written so.
inline const QString kHeadlineStandIn = QStringLiteral("#headline");
} // namespace itemkeys

// The text of a field, none when its element had none.
inline std::optional<QString> fieldText(const Field& field) {
    if (!field.hasText()) return std::nullopt;
    return field.text;
}
// The same, or the empty text: what a reader shows where a field may be missing.
inline QString fieldTextOrEmpty(const Field& field) {
    return field.hasText() ? field.text : QString();
}
// The channel's title as shown beside its items, in the menu and in the feed's
// status; empty when the channel has none.
inline QString channelTitle(const FeedChannel& channel) {
    return fieldTextOrEmpty(channel.title);
}
