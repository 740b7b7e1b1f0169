#pragma once
#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVariant>

// One compact JSON object whose keys stay in the order they were added, so event
// lines read "event" first.
class JsonLine {
  public:
    JsonLine& add(const char* key, const QJsonValue& value);
    JsonLine& add(const char* key, const QString& value) { return add(key, QJsonValue(value)); }
    JsonLine& add(const char* key, const char* value) {
        return add(key, QJsonValue(QString::fromUtf8(value)));
    }
    JsonLine& add(const char* key, bool value) { return add(key, QJsonValue(value)); }
    JsonLine& add(const char* key, int value) { return add(key, QJsonValue(value)); }
    JsonLine& add(const char* key, double value) { return add(key, QJsonValue(value)); }
    JsonLine& addRaw(const char* key, const QByteArray& json);
    QByteArray text() const { return body_ + '}'; }

    static QByteArray encode(const QJsonValue& value);

  private:
    QByteArray body_ = "{";
};

// Writes event lines to stdout, one per line, flushed; safe from any thread.
// Once silenced (the host is quitting) nothing more is written.
namespace events {
void print(const JsonLine& line);
void silence();
} // namespace events
