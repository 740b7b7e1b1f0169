#pragma once
// Helpers shared by the feed tests: running one update on the test thread and
// reading what it left behind.
#include "core/UpdateLockGuard.h"
#include "tests/parser/TestDocuments.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/PluginFixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <numeric>

// The good feed a failed address serves next, and the one sign it makes.
inline const QByteArray kGoodFeed = rss("<title>Good</title><item><title>One</title></item>");
inline const QString kGoodSign = QStringLiteral("One (Good) ");

// Reads a file below tests/feeds.
inline QByteArray readTestData(const QString& name) {
    QFile file(QStringLiteral(TEST_SOURCE_DIR "/feeds/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FeedTest : public PluginTest {
  protected:
    void SetUp() override {
        PluginTest::SetUp();
        setUpPlugin();
    }
    // One update on this thread, fetched and applied as the queue's job and the
    // main thread do it; like a timer's, it is for a feed of the list.
    void runUpdate(const QString& url) {
        if (!store().isListed(url)) store().append(record(url, 30, true));
        plugin->runUpdateNow(url);
    }
    // One update of url that fails: it posts nothing and frees the lock. Returns
    // its log lines (beeps are counted from it on).
    QStringList runFailedUpdate(const QString& url) {
        restartRecorder();
        server.clear();
        runUpdate(url);
        EXPECT_FALSE(lockHeld());
        EXPECT_TRUE(addedTexts().isEmpty());
        return recorder->logLines();
    }
    // Once serveGood has url serve kGoodFeed, the next update posts its sign,
    // without a beep, and frees the lock: a failure leaves nothing behind.
    void expectNextGoodUpdateWorks(const QString& url, const std::function<void()>& serveGood) {
        const int beeps = recorder->beeps();
        serveGood();
        server.clear();
        runUpdate(url);
        EXPECT_FALSE(lockHeld());
        EXPECT_EQ(addedTexts(), QStringList{kGoodSign});
        EXPECT_EQ(recorder->beeps(), beeps);
    }
    std::optional<FeedDictionary> entry(const QString& url) { return store().feed(url); }
    bool lockHeld() { return plugin->feedUpdater().updateLock().isHeld(); }
    // The pane's status of a row of the list; the last row by default.
    QVariantMap statusOfRow(int row = -1) {
        return plugin->pane().sourceStatusOfRow(row < 0 ? int(store().count()) - 1 : row);
    }
    void setFeeds(const QVariantList& records) {
        QList<int> rows(store().count());
        std::iota(rows.begin(), rows.end(), 0);
        store().removeRows(rows);
        for (const QVariant& r : records)
            store().append(r.toMap());
    }
    void hide(const QString& url, const QStringList& guids) {
        for (const QString& guid : guids)
            store().hideItem(url, guid, QString());
    }
    // Writes a file into the test's own directory and returns its file URL.
    QString writeFeed(const QByteArray& document, const QString& name = QStringLiteral("feed.xml")) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(document);
        return QUrl::fromLocalFile(file.fileName()).toString();
    }
    static QStringList textsOf(const QList<PNSignRef>& signs) {
        QStringList texts;
        for (const PNSignRef& sign : signs)
            texts.append(sign->isText() ? static_cast<PNTextTickerSign&>(*sign).text().string()
                                        : QStringLiteral("<image>"));
        return texts;
    }
    // Texts of the signs added since the server's record was last cleared.
    QStringList addedTexts() {
        QList<PNSignRef> added;
        for (const RecordingServer::Call& call : server.calls())
            if (call.kind != RecordingServer::Call::Remove) added.append(call.sign);
        return textsOf(added);
    }
    QStringList postedTexts() { return textsOf(server.onTicker()); }
    auto& limits() { return plugin->feedUpdater().fetchLimits(); }

    QTemporaryDir dir;
};

// A feed test with a loopback server and short fetch bounds.
class HttpFeedTest : public FeedTest {
  protected:
    void SetUp() override {
        FeedTest::SetUp();
        limits().connectTimeoutMs = 2000;
        limits().totalTimeoutMs = 3000;
        limits().lowSpeedSeconds = 1;
        limits().maxBytes = 64 * 1024;
    }
    LoopbackHttpServer http;
};
