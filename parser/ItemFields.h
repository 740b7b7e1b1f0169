#pragma once
#include <QString>
#include <QVariant>
#include <QVariantMap>
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
inline const QString kCategory = QStringLiteral("category");
// Channel fields.
inline const QString kImage = QStringLiteral("image");
inline const QString kTTL = QStringLiteral("ttl");
inline const QString kManagingEditor = QStringLiteral("managingEditor");
inline const QString kWebMaster = QStringLiteral("webMaster");
// The attributes of an element that carried them: its text, and the address an
// enclosure, source or image names.
inline const QString kText = QStringLiteral("text");
inline const QString kURL = QStringLiteral("url");
// Where a reader leaves, for an item without a title, the plain text that stands
// in for it when the item's own order of stand-ins is not the description's (JSON
// Feed's summary comes before its content). No element name can be written so.
inline const QString kHeadlineStandIn = QStringLiteral("#headline");
} // namespace itemkeys

// The text of a stored field: a text as it is, or the "text" of an attribute
// dictionary (an element that carried attributes). Anything else has no text.
inline std::optional<QString> fieldText(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString();
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap attributes = value.toMap();
        const auto text = attributes.constFind(itemkeys::kText);
        if (text != attributes.constEnd() && text->typeId() == QMetaType::QString) return text->toString();
    }
    return std::nullopt;
}

// An attribute of a field that carried attributes, such as an enclosure's "url".
inline std::optional<QString> fieldAttribute(const QVariant& value, const QString& attribute) {
    if (value.typeId() != QMetaType::QVariantMap) return std::nullopt;
    const QVariantMap attributes = value.toMap();
    const auto found = attributes.constFind(attribute);
    if (found == attributes.constEnd() || found->typeId() != QMetaType::QString) return std::nullopt;
    return found->toString();
}
