// The bundled demo feeds, end to end through the headless host.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

TEST(DemoFeeds, HeadlessHostShowsEverySign) {
    QProcess pennant;
    pennant.start(QStringLiteral(TEST_PENNANT_BINARY),
                  {QStringLiteral("--headless"), QStringLiteral("--once"), QStringLiteral("--demo")});
    ASSERT_TRUE(pennant.waitForFinished(60000));
    EXPECT_EQ(pennant.exitCode(), 0);

    QList<QJsonObject> added;
    QStringList problems;
    for (const QByteArray& line : pennant.readAllStandardOutput().split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        const QString kind = event.value(QStringLiteral("event")).toString();
        if (kind == QLatin1String("add")) added.append(event);
        if (kind == QLatin1String("beep") || kind == QLatin1String("error") ||
            event.value(QStringLiteral("message")).toString().startsWith(QStringLiteral("parse error")))
            problems.append(QString::fromUtf8(line));
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    ASSERT_EQ(added.size(), 9);

    // The world desk: its logo at the strip's height, then one sign per item.
    EXPECT_EQ(added[0].value(QStringLiteral("kind")), QStringLiteral("image"));
    EXPECT_EQ(added[0].value(QStringLiteral("width")).toDouble(), 72.0);
    EXPECT_EQ(added[0].value(QStringLiteral("height")).toDouble(), 24.0);
    EXPECT_EQ(added[0].value(QStringLiteral("actionString")),
              QStringLiteral("https://newsreel.example/world"));
    EXPECT_EQ(added[1].value(QStringLiteral("text")),
              QStringLiteral("Harbour city opens floating... (Newsreel World Desk) "));
    EXPECT_EQ(added[4].value(QStringLiteral("text")),
              QStringLiteral("Weather: a dry, bright week... (Newsreel World Desk) "));
    for (int i = 1; i <= 5; ++i) {
        const QString action = added[i].value(QStringLiteral("actionString")).toString();
        EXPECT_TRUE(action.startsWith(QString::number(i - 1) + QStringLiteral(",file://")));
        EXPECT_TRUE(action.endsWith(QStringLiteral("/newsreel-demo.xml")));
    }
    // The RSS 1.0 science notes: items that follow the channel element.
    EXPECT_EQ(added[8].value(QStringLiteral("text")), QStringLiteral("Bees (Newsreel Science Notes) "));
    EXPECT_TRUE(
        added[8].value(QStringLiteral("actionString")).toString().endsWith(QStringLiteral("/science.rdf")));
}
