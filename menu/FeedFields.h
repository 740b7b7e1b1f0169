#pragma once
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

// The text of a stored field: a text as it is, or the "text" of an attribute
// dictionary (an element that carried attributes). Anything else has no text.
inline std::optional<QString> fieldText(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString();
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap attributes = value.toMap();
        const auto text = attributes.constFind(QStringLiteral("text"));
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
