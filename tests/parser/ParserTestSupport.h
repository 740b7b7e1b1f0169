#pragma once
// What the parser's tests share; they link the parser library and GoogleTest only.
#include "parser/ParsedFeed.h"
#include "tests/parser/TestDocuments.h"

#include <QFile>
#include <QJsonObject>
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

// Hands the document over in pieces of the given size while the parser wants more.
template <typename Parser> void parseInPieces(Parser& parser, const QByteArray& document, qsizetype piece) {
    for (qsizetype at = 0; at < document.size(); at += piece)
        if (!parser.parseChunk(document.constData() + at, std::size_t(std::min(piece, document.size() - at))))
            return;
}

// Hands over head, then piece after piece while the parser wants more, up to
// total bytes; returns the bytes handed over.
template <typename Parser>
qsizetype feedStream(Parser& parser, const QByteArray& head, const QByteArray& piece, qsizetype total) {
    qsizetype fed = head.size();
    for (bool wanting = parser.parseChunk(head.constData(), std::size_t(head.size())); wanting && fed < total;
         fed += piece.size())
        wanting = parser.parseChunk(piece.constData(), std::size_t(piece.size()));
    return fed;
}

// The channel and items of a feed as JSON.
QJsonObject feedDump(const ParsedFeed& feed);

// The files of a folder below tests/parser matching filter, without those named
// *.expected.json; and a test name made of one.
std::vector<std::string> fixtureFiles(const QString& folder, const QString& filter);
std::string fixtureTestName(const ::testing::TestParamInfo<std::string>& info);

// Compares dump with the JSON file below tests/parser, or writes the file when
// NEWSREEL_WRITE_EXPECTED is set.
void expectDumpMatchesFile(const QJsonObject& dump, const QString& expectedFile);

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
