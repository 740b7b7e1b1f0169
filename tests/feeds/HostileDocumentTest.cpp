// A hostile document through a whole update: it leaves the lock free and the next
// update of a good feed working; a local address that is no regular file fails at once.
#include "core/SettingsKeys.h"
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

// An overlong "/" is never a "/": undeclared, the bytes are Windows-1252 text;
// said to be UTF-8, they are U+FFFD, and the status says what was repaired.
TEST_F(FeedTest, BytesThatAreNotUtf8NeverDecodeAsOtherCharacters) {
    const QString undeclared = writeFeed(rss("<title>T</title><item><title>a\xC0\xAF"
                                             "b</title></item>"));
    runUpdate(undeclared);
    EXPECT_EQ(postedTexts(), QStringList{QStringLiteral("a\u00c0\u00afb (T) ")});
    EXPECT_EQ(statusOfRow().value("message"), QString());

    server.clear();
    const QString declared =
        writeFeed("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + rss("<title>U</title><item><title>a\xC0\xAF"
                                                                     "b</title></item>")
                                                                     .mid(22),
                  QStringLiteral("declared.xml"));
    runUpdate(declared);
    EXPECT_TRUE(postedTexts().contains(QStringLiteral("a\ufffd\ufffdb (U) ")))
        << postedTexts().join(u'|').toStdString();
    EXPECT_TRUE(statusOfRow().value("message").toString().startsWith(
        QStringLiteral("repaired: Input is not proper UTF-8")));
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

// A feed of more items than are kept: its first ones are shown, and the log and
// the status say how many were left out.
TEST_F(FeedTest, ItemsPastTheBoundAreLeftOutAndSaidSo) {
    const qsizetype items = kMaxItemsPerFeed + 25;
    const QString url =
        writeFeed(rss("<title>Many</title>" + QByteArray("<item><title>x</title></item>").repeated(items)));
    runUpdate(url);
    ASSERT_TRUE(entry(url) && entry(url)->items);
    EXPECT_EQ(entry(url)->items->size(), kMaxItemsPerFeed);
    const QString said = QStringLiteral("25 items left out: only the first 10000 are kept");
    EXPECT_TRUE(recorder->logLines().contains(url + QStringLiteral(": ") + said))
        << recorder->logLines().join(u'\n').toStdString();
    const QVariantMap status = statusOfRow();
    EXPECT_EQ(status.value("state"), QStringLiteral("ok"));
    EXPECT_EQ(status.value("message"), said);
    EXPECT_EQ(status.value("items"), limits::kMaxTextSignsPerFeed) << "the signs have their own bound";

    // A later document within the bound clears the message.
    writeFeed(kGoodFeed);
    runUpdate(url);
    EXPECT_EQ(statusOfRow().value("message"), QString());
}
