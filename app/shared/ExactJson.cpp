#include "app/shared/ExactJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QVariantList>
#include <mutex>

namespace {

void registerConversions() {
    static std::once_flag once;
    std::call_once(once, [] {
        QMetaType::registerConverter<ExactJsonNumber, double>(
            [](const ExactJsonNumber& number) { return number.text.toDouble(); });
        QMetaType::registerConverter<ExactJsonNumber, bool>(
            [](const ExactJsonNumber& number) { return number.text.toDouble() != 0; });
        QMetaType::registerConverter<ExactJsonNumber, QString>(
            [](const ExactJsonNumber& number) { return QString::fromLatin1(number.text); });
    });
}

// Numbers travel through QJsonDocument as strings that no document holds: a
// marker made anew for each read or write, and the number's index.
QByteArray newMarker() {
    return "exact-json-number-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + '-';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text with each integer that does not fit 64 bits replaced by a marked
// string; the integers go to numbers, in order.
QByteArray markedNumbers(const QByteArray& json, const QByteArray& marker, QList<QByteArray>& numbers) {
    QByteArray out;
    out.reserve(json.size());
    for (qsizetype i = 0; i < json.size();) {
        const char c = json[i];
        if (c == '"') { // a string, copied whole
            qsizetype j = i + 1;
            while (j < json.size() && json[j] != '"')
                j += json[j] == '\\' ? 2 : 1;
            j = std::min(j + 1, json.size());
            out.append(json.constData() + i, j - i);
            i = j;
            continue;
        }
        if (c != '-' && !isDigit(c)) {
            out += c;
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        bool integer = true;
        while (j < json.size() && (isDigit(json[j]) || QByteArrayView(".eE+-").contains(json[j]))) {
            integer = integer && isDigit(json[j]);
            ++j;
        }
        const QByteArray token = json.mid(i, j - i);
        bool fits = false;
        token.toLongLong(&fits);
        if (integer && !fits && token != "-") {
            out += '"' + marker + QByteArray::number(numbers.size()) + '"';
            numbers.append(token);
        } else {
            out += token;
        }
        i = j;
    }
    return out;
}

// The value with every leaf that is not a dictionary or a list replaced by what
// change makes of it.
template <typename Change> QVariant withLeaves(const QVariant& value, const Change& change) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            *it = withLeaves(*it, change);
        return map;
    }
    case QMetaType::QVariantList: {
        QVariantList list = value.toList();
        for (QVariant& element : list)
            element = withLeaves(element, change);
        return list;
    }
    default:
        return change(value);
    }
}

} // namespace

std::optional<QVariantMap> readExactJsonObject(const QByteArray& json, QJsonParseError* error) {
    registerConversions();
    const QByteArray marker = newMarker();
    QList<QByteArray> numbers;
    const QByteArray marked = markedNumbers(json, marker, numbers);
    QJsonParseError markedError{};
    const QJsonDocument document = QJsonDocument::fromJson(marked, &markedError);
    if (markedError.error != QJsonParseError::NoError) {
        // Reported against the text as it was written.
        QJsonDocument::fromJson(json, error);
        if (error && error->error == QJsonParseError::NoError) *error = markedError;
        return std::nullopt;
    }
    if (error) *error = markedError;
    if (!document.isObject()) return std::nullopt;
    const QVariantMap object = document.object().toVariantMap();
    if (numbers.isEmpty()) return object;
    return withLeaves(object,
                      [&](const QVariant& value) {
                          if (value.typeId() != QMetaType::QString) return value;
                          const QString text = value.toString();
                          if (!text.startsWith(QLatin1String(marker))) return value;
                          bool ok = false;
                          const int index = QStringView(text).mid(marker.size()).toInt(&ok);
                          return ok && index >= 0 && index < numbers.size()
                                     ? QVariant::fromValue(ExactJsonNumber{numbers.at(index)})
                                     : value;
                      })
        .toMap();
}

QByteArray writeExactJson(const QVariantMap& object, bool indented) {
    registerConversions();
    const QByteArray marker = newMarker();
    QList<QByteArray> numbers;
    const QVariantMap marked =
        withLeaves(object, [&](const QVariant& value) {
            if (value.metaType() != QMetaType::fromType<ExactJsonNumber>()) return value;
            numbers.append(value.value<ExactJsonNumber>().text);
            return QVariant(QString::fromLatin1(marker + QByteArray::number(numbers.size() - 1)));
        }).toMap();
    QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(marked))
                          .toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact);
    for (qsizetype i = 0; i < numbers.size(); ++i)
        json.replace('"' + marker + QByteArray::number(i) + '"', numbers.at(i));
    return json;
}
