#include "app/JsonLine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <atomic>
#include <cstdio>
#include <mutex>

JsonLine& JsonLine::add(const char* key, const QJsonValue& value) {
    return addRaw(key, encode(value));
}

JsonLine& JsonLine::addRaw(const char* key, const QByteArray& json) {
    if (body_.size() > 1) body_ += ',';
    body_ += encode(QJsonValue(QString::fromUtf8(key)));
    body_ += ':';
    body_ += json;
    return *this;
}

QByteArray JsonLine::encode(const QJsonValue& value) {
    // QJsonDocument holds only arrays and objects: wrap and unwrap.
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
