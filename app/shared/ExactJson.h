#pragma once
#include <QByteArray>
#include <QJsonParseError>
#include <QMetaType>
#include <QVariantMap>
#include <optional>

// JSON read and written as QJsonDocument does, except that a number it would
// change is kept as written: an integer beyond 64 bits becomes a double there
// (12345678901234567890 comes back as 12345678901234567000). Such a number is
// held as an ExactJsonNumber, which reads as a number (toDouble, toBool) and as
// its text (toString), and is written back exactly.
struct ExactJsonNumber {
    QByteArray text;
    bool operator==(const ExactJsonNumber& other) const { return text == other.text; }
};
Q_DECLARE_METATYPE(ExactJsonNumber)

// The object the text holds; nothing when it is not JSON (error says where) or
// holds something else than an object (error stays NoError).
std::optional<QVariantMap> readExactJsonObject(const QByteArray& json, QJsonParseError* error);
QByteArray writeExactJson(const QVariantMap& object, bool indented);
