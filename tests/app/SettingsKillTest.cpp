// The host killed at any moment, also while it writes the settings: the file on
// disk is always a whole settings file holding everything the user had.
#include "tests/app/PennantProcess.h"
#include "tests/app/SettingsFolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

TEST(SettingsKill, KilledHostNeverLeavesAHalfWrittenFile) {
    const SettingsFolder folder;
    // Large enough that a save takes a while; every feed disabled, so nothing is fetched.
    QJsonArray feeds;
    for (int i = 0; i < 20'000; ++i)
        feeds.append(feedRecord(QStringLiteral("http://127.0.0.1:9/feed/%1").arg(i), false));
    const QString path = folder.writeSettings(feeds);
    QRandomGenerator random(8);
    int killedWhileRunning = 0;
    for (int round = 0; round < 12; ++round) {
        PennantProcess pennant(PennantProcess::Headless, path);
        ASSERT_TRUE(pennant.start({"--once"}));
        QThread::msleep(random.bounded(50, 1500));
        if (pennant.running()) ++killedWhileRunning;
        pennant.kill(); // SIGKILL: no handler runs

        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(readFile(path), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << "round " << round;
        const QJsonArray kept =
            document.object().value("org.pennant.newsreel").toObject().value("feeds").toArray();
        ASSERT_EQ(kept.size(), feeds.size()) << "round " << round;
        EXPECT_EQ(kept.last(), feeds.last());
    }
    EXPECT_GT(killedWhileRunning, 0) << "no round killed the host before it was done";
    // Nothing but the settings file is left behind (no temporary or half file).
    EXPECT_EQ(QDir(folder.dir.path()).entryList(QDir::Files), QStringList{"settings.json"});
}
