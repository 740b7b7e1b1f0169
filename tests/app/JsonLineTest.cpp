// Event lines are written by hand for speed: byte for byte what Qt's JSON writer
// makes of the same values, whatever the text holds.
#include "app/headless/JsonLine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {
QByteArray qtCompact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
} // namespace

TEST(JsonLine, WritesWhatQtWritesForEveryKindOfScalarAndText) {
    QRandomGenerator random(11);
    QStringList texts{QString(),
                      QStringLiteral("plain"),
                      QStringLiteral("quote \" back \\ slash / é ü 東京"),
                      QStringLiteral("\b\f\n\r\t\x01\x1f\x7f"),
                      QString(QChar(0xd83d)) + QChar(0xde00),
                      QString(QChar(0xd800)) + u'x',
                      QString(QChar(0xdc00)),
                      QString(QChar(0xfffd))};
    for (int i = 0; i < 500; ++i) { // random UTF-16, lone surrogates included
        QString s;
        for (int n = int(random.bounded(12)); n > 0; --n)
            s += QChar(char16_t(random.bounded(3) == 0 ? random.bounded(0x80) : random.bounded(0x10000)));
        texts << s;
    }
    for (const QString& text : texts) {
        JsonLine line;
        line.add("event", "log").add("message", text);
        ASSERT_EQ(line.text(), qtCompact(QJsonObject{{"event", "log"}, {"message", text}}))
            << text.toStdU16String().size();
    }
    for (const double d : {0.0, -0.0, 1.0, 48.0, 24.9, 1e-7, 1e21, 123456789012.0, 1.0 / 3.0,
                           std::numeric_limits<double>::infinity(), std::nan("")}) {
        JsonLine line;
        line.add("width", d);
        EXPECT_EQ(line.text(), qtCompact(QJsonObject{{"width", d}})) << d;
    }
    JsonLine mixed;
    mixed.add("id", 7).add("list", QJsonArray{1, "a", QJsonObject{{"k", "v"}}}).add("n", QJsonValue(-3));
    mixed.add("no", false).add("none", QJsonValue()).add("ok", true);
    EXPECT_EQ(mixed.text(), qtCompact(QJsonObject{{"id", 7},
                                                  {"ok", true},
                                                  {"no", false},
                                                  {"none", QJsonValue()},
                                                  {"n", -3},
                                                  {"list", QJsonArray{1, "a", QJsonObject{{"k", "v"}}}}}))
        << "keys in sorted order, as Qt's object keeps them";
}
