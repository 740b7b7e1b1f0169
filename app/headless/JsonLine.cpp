#include "app/headless/JsonLine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace {

char hexDigit(unsigned value) {
    return char(value < 10 ? '0' + value : 'a' + value - 10);
}

void appendEscapedUnit(QByteArray& out, char16_t unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += hexDigit((unit >> shift) & 0xf);
}

QByteArray number(double value) {
    // Whole numbers as integers and non-finite ones as null, as Qt writes them.
    if (!std::isfinite(value)) return QByteArrayLiteral("null");
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

void JsonLine::appendString(QByteArray& out, QStringView text) {
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p != end) {
        const char16_t u = *p++;
        if (u < 0x80) {
            switch (u) {
            case u'"':
                out += "\\\"";
                break;
            case u'\\':
                out += "\\\\";
                break;
            case u'\b':
                out += "\\b";
                break;
            case u'\f':
                out += "\\f";
                break;
            case u'\n':
                out += "\\n";
                break;
            case u'\r':
                out += "\\r";
                break;
            case u'\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20)
                    appendEscapedUnit(out, u);
                else
                    out += char(u);
            }
        } else if (QChar::isHighSurrogate(u) && p != end && QChar::isLowSurrogate(*p)) {
            const char32_t code = QChar::surrogateToUcs4(u, *p++);
            out += char(0xf0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3f));
            out += char(0x80 | ((code >> 6) & 0x3f));
            out += char(0x80 | (code & 0x3f));
        } else if (QChar::isSurrogate(u)) {
            appendEscapedUnit(out, u); // a lone half has no UTF-8 form
        } else if (u < 0x800) {
            out += char(0xc0 | (u >> 6));
            out += char(0x80 | (u & 0x3f));
        } else {
            out += char(0xe0 | (u >> 12));
            out += char(0x80 | ((u >> 6) & 0x3f));
            out += char(0x80 | (u & 0x3f));
        }
    }
    out += '"';
}

void JsonLine::appendKey(const char* key) {
    // Keys are the host's own names: plain letters that need no escaping.
    if (body_.size() > 1) body_ += ',';
    body_ += '"';
    body_ += key;
    body_ += "\":";
}

JsonLine& JsonLine::add(const char* key, const QJsonValue& value) {
    return addRaw(key, encode(value));
}

JsonLine& JsonLine::add(const char* key, const QString& value) {
    appendKey(key);
    appendString(body_, value);
    return *this;
}

JsonLine& JsonLine::add(const char* key, const char* value) {
    return add(key, QString::fromUtf8(value));
}

JsonLine& JsonLine::add(const char* key, bool value) {
    appendKey(key);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::add(const char* key, int value) {
    appendKey(key);
    body_ += QByteArray::number(value);
    return *this;
}

JsonLine& JsonLine::add(const char* key, double value) {
    appendKey(key);
    body_ += number(value);
    return *this;
}

JsonLine& JsonLine::addRaw(const char* key, const QByteArray& json) {
    appendKey(key);
    body_ += json;
    return *this;
}

QByteArray JsonLine::encode(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return QByteArrayLiteral("null");
    case QJsonValue::Bool:
        return value.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
    case QJsonValue::Double:
        return number(value.toDouble());
    case QJsonValue::String: {
        QByteArray out;
        appendString(out, value.toString());
        return out;
    }
    case QJsonValue::Array:
    case QJsonValue::Object:
        break;
    }
    // Containers are rare (the settings): QJsonDocument holds only those anyway.
    QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

namespace events {
namespace {
std::mutex outputMutex;
std::atomic<bool> silenced{false};
} // namespace

void print(const JsonLine& line) {
    const QByteArray text = line.text() + '\n';
    std::lock_guard guard(outputMutex);
    if (silenced) return;
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

void silence() {
    std::lock_guard guard(outputMutex);
    silenced = true;
}
} // namespace events
