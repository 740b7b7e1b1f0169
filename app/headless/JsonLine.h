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
    JsonLine& add(const char* key, const QString& value);
    JsonLine& add(const char* key, const char* value);
    JsonLine& add(const char* key, bool value);
    JsonLine& add(const char* key, int value);
    JsonLine& add(const char* key, double value);
    JsonLine& addRaw(const char* key, const QByteArray& json);
    QByteArray text() const { return body_ + '}'; }

    // Exactly what QJsonDocument's compact form writes for the value.
    static QByteArray encode(const QJsonValue& value);
    // Appends a JSON string: scalars are written straight into the line's bytes,
    // without a QJsonValue or a document for each (every sign, every log line).
    static void appendString(QByteArray& out, QStringView text);

  private:
    void appendKey(const char* key);
    QByteArray body_ = "{";
};

// Writes event lines to stdout, one per line, flushed; safe from any thread.
// Once silenced (the host is quitting) nothing more is written.
namespace events {
void print(const JsonLine& line);
void silence();
} // namespace events
