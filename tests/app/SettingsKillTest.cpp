// The host killed at any moment, also while it writes the settings: the file on
// disk is always a whole settings file holding everything the user had.
#include "tests/app/WindowTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

TEST(SettingsKill, KilledHostNeverLeavesAHalfWrittenFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.json"));
    // Large enough that a save takes a while; every feed disabled, so nothing is fetched.
    QJsonArray feeds;
    for (int i = 0; i < 20'000; ++i)
        feeds.append(QJsonObject{{"url", QStringLiteral("http://127.0.0.1:9/feed/%1").arg(i)},
                                 {"interval", 30},
                                 {"enabled", false}});
    writeFile(path,
              QJsonDocument(QJsonObject{{"org.pennant.newsreel", QJsonObject{{"feeds", feeds}}}}).toJson());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QRandomGenerator random(8);
    int killedWhileRunning = 0;
    for (int round = 0; round < 12; ++round) {
        QProcess pennant;
        pennant.setProcessEnvironment(env);
        pennant.start(QStringLiteral(TEST_PENNANT_BINARY), {"--headless", "--once", "--settings", path});
        ASSERT_TRUE(pennant.waitForStarted());
        QThread::msleep(random.bounded(50, 1500));
        if (pennant.state() == QProcess::Running) ++killedWhileRunning;
        pennant.kill(); // SIGKILL: no handler runs
        pennant.waitForFinished();

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
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"s.json"});
}
