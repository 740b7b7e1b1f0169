#pragma once
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// Reading stored values through conversion: an absent boolean is false, an absent
// number 0, an absent list or table empty.
namespace platform {

inline bool isText(const QVariant& v) {
    return v.typeId() == QMetaType::QString;
}
inline bool isDictionary(const QVariant& v) {
    return v.typeId() == QMetaType::QVariantMap;
}
inline bool isList(const QVariant& v) {
    return v.typeId() == QMetaType::QVariantList;
}

// The leading decimal integer of a text: leading white space skipped, an optional
// sign, the digits up to the first other character; 0 when there are none. Values
// beyond the int range are clamped to it.
int intValueOfText(const QString& text);

bool boolValue(const QVariant& v);
int intValue(const QVariant& v);
double doubleValue(const QVariant& v);
QString textValue(const QVariant& v); // a text, or empty

} // namespace platform
