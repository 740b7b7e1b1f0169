#pragma once
// What the parser's tests share; they link the parser library and GoogleTest only.
#include "tests/parser/TestDocuments.h"

#include <QFile>
#include <QStringList>
#include <QVariant>
#include <gtest/gtest.h>
#include <ostream>

// Readable failure messages for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << v.typeName() << '(' << v.toString().toStdString() << ')';
}

// Reads a file below tests/parser.
inline QByteArray readTestData(const QString& name) {
    QFile file(QStringLiteral(TEST_SOURCE_DIR "/parser/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Collects what Qt's message handlers hear while it lives: the parser reports
// through its delegate, never by printing.
class MessageRecorder {
  public:
    MessageRecorder();
    ~MessageRecorder();
    const QStringList& messages() const { return messages_; }

  private:
    QStringList messages_;
    QtMessageHandler previous_;
};
