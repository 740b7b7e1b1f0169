// A hostile document through a whole update: it leaves the lock free and the next
// update of a good feed working; a local address that is no regular file fails at once.
#include "tests/feeds/FeedTestSupport.h"

#include <QDir>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

// Through a whole update: one log line, no signs, the lock free, and the next
// update of a good feed at the same address works as before.
TEST_F(FeedTest, HostileDocumentLeavesTheLockFreeAndTheNextGoodUpdateWorks) {
    const std::pair<const char*, QByteArray> documents[] = {
        {"billion laughs", billionLaughs()},
        {"billion laughs in UTF-16", toUtf16WithMark(billionLaughs())},
        {"deep", "<rss><channel>" + QByteArray("<item>").repeated(100'000)},
        {"garbage", QByteArray("\x00\x01\xFF\xFE<<>>&&;;\x80\x81", 14).repeated(1000)},
        {"invalid UTF-8", rss("<item><title>\xC0\xAF</title></item>")},
        {"huge text", rss("<title>" + QByteArray(20 << 20, 'A') + "</title>")},
        {"800,000 attributes", rss("<item><e" + manyAttributes(800'000) + "/></item>")},
        {"500,000 namespaces", rss("<item><e" + manyAttributes(500'000, "xmlns:p") + "/></item>")}};
    for (const auto& [name, hostile] : documents) {
        SCOPED_TRACE(name);
        const QString url = writeFeed(hostile);
        const QStringList lines = runFailedUpdate(url);
        EXPECT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
        expectNextGoodUpdateWorks(url, [&] { writeFeed(kGoodFeed); });
    }
}

// A local address is read only when it names a regular file: a pipe would block
// the update (and with it every later one, and quitting) for good, and a device
// or a /proc file never ends or changes as it is read.
TEST_F(FeedTest, LocalAddressesThatAreNoRegularFileFailAtOnce) {
    const QString pipe = dir.filePath(QStringLiteral("pipe.xml"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.xml")));
    ASSERT_TRUE(QFile::link(pipe, dir.filePath(QStringLiteral("link.xml"))));
    plugin->feedUpdater().fetchLimits().maxBytes = 1024;
    const QString tooLarge = writeFeed(rss(QByteArray(2048, ' ')), QStringLiteral("large.xml"));
    const std::pair<QString, const char*> cases[] = {
        {QUrl::fromLocalFile(pipe).toString(), "not a regular file"},
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("link.xml"))).toString(), "not a regular file"},
        {QUrl::fromLocalFile(dir.filePath(QStringLiteral("folder.xml"))).toString(), "not a regular file"},
        {QStringLiteral("file:///dev/zero"), "not a regular file"},
        {QStringLiteral("file:///proc/self/status"), "not a regular file"},
        {tooLarge, "larger than 1024 bytes"},
    };
    for (const auto& [url, reason] : cases) {
        SCOPED_TRACE(url.toStdString());
        auto update = std::async(std::launch::async, [&] { return runFailedUpdate(url); });
        if (update.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            const int writer = open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
            FAIL() << "the update waited on the file";
        }
        const QStringList lines = update.get();
        EXPECT_EQ(lines, QStringList{QStringLiteral("cannot fetch %1: %2").arg(url, QLatin1String(reason))});
        EXPECT_EQ(recorder->beeps(), 1);
    }
    expectNextGoodUpdateWorks(tooLarge, [&] { writeFeed(kGoodFeed, QStringLiteral("large.xml")); });
}
