// The feed list to and from OPML files, and the addresses a user types.
#include "feeds/FeedListOpml.h"
#include "platform/TypedAddress.h"
#include "tests/support/PluginFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {

QByteArray opml(const QByteArray& body) {
    return "<?xml version=\"1.0\"?>\n<opml version=\"1.0\"><head><title>x</title></head><body>" + body +
           "</body></opml>\n";
}

QStringList urlsOf(const QVariantList& feeds) {
    QStringList urls;
    for (const QVariant& record : feeds)
        urls.append(record.toMap().value(QStringLiteral("url")).toString());
    return urls;
}

QVariantMap feedRecord(const QString& url) {
    return {
        {QStringLiteral("url"), url}, {QStringLiteral("interval"), 30}, {QStringLiteral("enabled"), false}};
}

} // namespace

TEST(TypedFeedAddress, MakesAddressesWholeOrRefusesThem) {
    const std::pair<const char*, const char*> made[] = {
        {"example.org/feed", "https://example.org/feed"},
        {"  example.org  ", "https://example.org"},
        {"example.org:8080/rss?x=1", "https://example.org:8080/rss?x=1"},
        {"localhost:8080/feed", "https://localhost:8080/feed"},
        {"[::1]:8080/feed", "https://[::1]:8080/feed"},
        {"http://example.org/feed", "http://example.org/feed"},
        {"HTTPS://Example.org/Feed", "HTTPS://Example.org/Feed"},
        {"feed://example.org/rss", "https://example.org/rss"},
        {"feed:https://example.org/rss", "https://example.org/rss"},
        {"http://intranet/feed", "http://intranet/feed"},
        {"file:///home/me/feed.xml", "file:///home/me/feed.xml"},
    };
    for (const auto& [typed, expected] : made)
        EXPECT_EQ(platform::typedFeedAddress(QString::fromUtf8(typed)).value_or("<refused>"), expected)
            << typed;
    for (const char* typed :
         {"", "15", "hello", "my feed.org", "http://", "https://exa mple.org/", "javascript:alert(1)",
          "mailto:a@example.org", "ftp://example.org/feed", "example.org:notaport/"})
        EXPECT_EQ(platform::typedFeedAddress(QString::fromUtf8(typed)), std::nullopt) << typed;
}

TEST(OpmlImport, TakesEveryOutlineWithAFeedUrlInOrderAndCountsWhatItLeft) {
    QVariantList feeds{feedRecord(QStringLiteral("https://listed.example/feed"))};
    const QByteArray document =
        opml("<outline text=\"Folder\">"
             "  <outline text=\"A\" type=\"rss\" xmlUrl=\"https://a.example/feed\" "
             "htmlUrl=\"https://a.example/\"/>"
             "  <outline text=\"Deeper\"><outline><outline xmlurl=\"b.example/rss\"/></outline></outline>"
             "</outline>"
             "<outline text=\"Listed\" xmlUrl=\"https://listed.example/feed\"/>"
             "<outline text=\"A again\" xmlUrl=\"https://a.example/feed\"/>"
             "<outline text=\"no url\" xmlUrl=\"\"/>"
             "<outline text=\"script\" xmlUrl=\"javascript:alert(1)\"/>"
             "<outline text=\"local\" xmlUrl=\"file:///etc/passwd\"/>"
             "<outline text=\"words\" xmlUrl=\"not a url\"/>"
             "<outline text=\"a link, not a feed\" type=\"link\" url=\"https://c.example/\"/>"
             "<outline text=\"C &amp; D\" xmlUrl=\"https://c.example/feed?a=1&amp;b=2\"/>");
    const OpmlReport report = importOpml(document, feeds);
    EXPECT_TRUE(report.ok);
    EXPECT_EQ(report.message, QStringLiteral("imported 3 feeds, 2 already listed, 4 skipped"));
    EXPECT_EQ(urlsOf(feeds), (QStringList{"https://listed.example/feed", "https://a.example/feed",
                                          "https://b.example/rss", "https://c.example/feed?a=1&b=2"}));
    EXPECT_EQ(feeds.at(1).toMap(),
              (QVariantMap{{"url", "https://a.example/feed"}, {"interval", 60}, {"enabled", true}}));
    EXPECT_EQ(feeds.at(0).toMap(), feedRecord(QStringLiteral("https://listed.example/feed")))
        << "a listed feed keeps its record";
}

TEST(OpmlImport, ABrokenOrHostileFileChangesNothingAndSaysWhy) {
    QTemporaryDir dir;
    // A named pipe: opening it to read would block, so the test would hang if an
    // external entity were ever followed.
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("secret")));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE opml [<!ENTITY l0 \"https://l.example/\">";
    for (int i = 1; i <= 10; ++i)
        laughs += QStringLiteral("<!ENTITY l%1 \"%2\">")
                      .arg(i)
                      .arg(QStringLiteral("&l%1;").arg(i - 1).repeated(10))
                      .toUtf8();
    laughs += "]><opml><body><outline xmlUrl=\"&l10;\"/><outline>&l10;</outline></body></opml>";
    const QByteArray broken[] = {
        opml("<outline xmlUrl=\"https://a.example/feed\"/>").chopped(10),             // cut short
        "<?xml version=\"1.0\"?><rss><channel><title>a feed</title></channel></rss>", // not OPML
        "",
        laughs,
    };
    for (const QByteArray& document : broken) {
        QVariantList feeds{feedRecord(QStringLiteral("https://listed.example/feed"))};
        const QVariantList before = feeds;
        const OpmlReport report = importOpml(document, feeds);
        EXPECT_FALSE(report.ok) << document.left(60).toStdString();
        EXPECT_FALSE(report.message.isEmpty());
        EXPECT_EQ(feeds, before);
    }
    // An external entity is never read.
    QVariantList feeds;
    const QByteArray external =
        "<?xml version=\"1.0\"?><!DOCTYPE opml [<!ENTITY s SYSTEM \"file://" + pipe +
        "\">]><opml><body><outline xmlUrl=\"https://ok.example/\">&s;</outline></body></opml>";
    EXPECT_TRUE(importOpml(external, feeds).ok);
    EXPECT_EQ(urlsOf(feeds), QStringList{"https://ok.example/"});

    const OpmlReport missing = importOpmlFile(dir.filePath(QStringLiteral("none.opml")), feeds);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.message.startsWith(QStringLiteral("cannot import ")))
        << missing.message.toStdString();
    EXPECT_FALSE(importOpmlFile(dir.path(), feeds).ok) << "a folder is no file";
}

TEST(OpmlExport, WritesTitlesAndPagesFromTheStatusAndImportsBackInOrder) {
    QTemporaryDir dir;
    const QVariantList feeds{feedRecord(QStringLiteral("https://b.example/feed?x=1&y=2")),
                             feedRecord(QStringLiteral("http://")), // the table's placeholder
                             feedRecord(QStringLiteral("https://a.example/rss"))};
    const QVariantList statuses{QVariantMap{{"url", "https://b.example/feed?x=1&y=2"},
                                            {"title", "B <&> \"news\""},
                                            {"link", "https://b.example/"}},
                                QVariantMap{{"url", "https://a.example/rss"}, {"title", ""}, {"link", ""}}};
    const QString path = dir.filePath(QStringLiteral("feeds.opml"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older export");
    old.close();

    const OpmlReport report = exportOpmlFile(path, feeds, statuses);
    ASSERT_TRUE(report.ok) << report.message.toStdString();
    EXPECT_EQ(report.message, QStringLiteral("exported 2 feeds to ") + path);
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<opml version=\"2.0\">"))) << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("<outline type=\"rss\" text=\"B &lt;&amp;&gt; &quot;news&quot;\" title=\"B "
                       "&lt;&amp;&gt; &quot;news&quot;\" "
                       "xmlUrl=\"https://b.example/feed?x=1&amp;y=2\" htmlUrl=\"https://b.example/\"/>")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("<outline type=\"rss\" text=\"https://a.example/rss\" title=\"https://a.example/rss\" "
                       "xmlUrl=\"https://a.example/rss\"/>")))
        << "no title known: the URL; no page known: no htmlUrl";

    QVariantList imported;
    EXPECT_EQ(importOpmlFile(path, imported).message,
              QStringLiteral("imported 2 feeds, 0 already listed, 0 skipped"));
    EXPECT_EQ(urlsOf(imported), (QStringList{"https://b.example/feed?x=1&y=2", "https://a.example/rss"}));

    // A file that cannot be written leaves nothing half written behind.
    const OpmlReport failed =
        exportOpmlFile(dir.filePath(QStringLiteral("no/such/dir/x.opml")), feeds, statuses);
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.message.startsWith(QStringLiteral("cannot export to ")))
        << failed.message.toStdString();
}

// Titles come from feeds, so they hold anything: a lone surrogate or a character
// XML forbids once broke the file off after its first outline while the report
// said all were written. Pages come from feeds too: only web ones are exported.
TEST(OpmlExport, AnyTitleGivesWellFormedOpmlAndOnlyWebPagesAreWritten) {
    const QString loneHigh = QString(QChar(0xD800));
    const QString loneLow = QString(QChar(0xDFFF));
    const QList<std::pair<QString, QString>> titleAndPage{
        {QStringLiteral("lone ") + loneHigh + QStringLiteral(" high"), QStringLiteral("javascript:alert(1)")},
        {loneLow + QStringLiteral("low first"), QStringLiteral("data:text/html,<script>x</script>")},
        {QStringLiteral("reversed ") + loneLow + loneHigh, QStringLiteral("file:///etc/passwd")},
        {QStringLiteral("controls \x01\x1f and \t tab"), QStringLiteral("  https://ok.example/  ")},
        {QStringLiteral("not chars ") + QChar(0xFFFE) + QChar(0xFFFF), QStringLiteral("http:///nohost")},
        {QStringLiteral("nul ") + QChar(0) + QStringLiteral(" in it"),
         QStringLiteral("ftp://files.example/")},
        {QStringLiteral("emoji \U0001F600 stays"), QStringLiteral("HTTP://Upper.example/")},
        {QStringLiteral("plain"), QString()}};
    QVariantList feeds, statuses;
    for (qsizetype i = 0; i < titleAndPage.size(); ++i) {
        const QString url = QStringLiteral("https://f.example/%1").arg(i);
        feeds << feedRecord(url);
        statuses << QVariantMap{
            {"url", url}, {"title", titleAndPage[i].first}, {"link", titleAndPage[i].second}};
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("feeds.opml"));
    const OpmlReport report = exportOpmlFile(path, feeds, statuses);
    ASSERT_TRUE(report.ok) << report.message.toStdString();
    EXPECT_EQ(report.message, QStringLiteral("exported 8 feeds to ") + path);

    QVariantList imported;
    EXPECT_EQ(importOpmlFile(path, imported).message,
              QStringLiteral("imported 8 feeds, 0 already listed, 0 skipped"));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    const QString text = QString::fromUtf8(bytes);
    EXPECT_EQ(text.toUtf8(), bytes) << "the file is UTF-8 throughout";
    const QString fffd(QChar::ReplacementCharacter);
    EXPECT_TRUE(text.contains(QStringLiteral("text=\"lone ") + fffd + QStringLiteral(" high\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("text=\"reversed ") + fffd + fffd + u'"'));
    EXPECT_TRUE(text.contains(QStringLiteral("text=\"controls ") + fffd + fffd));
    EXPECT_TRUE(text.contains(QStringLiteral("text=\"not chars ") + fffd + fffd + u'"'));
    EXPECT_TRUE(text.contains(QStringLiteral("text=\"nul ") + fffd + QStringLiteral(" in it\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("emoji \U0001F600 stays")));
    EXPECT_EQ(text.count(QStringLiteral("htmlUrl=")), 2) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("htmlUrl=\"https://ok.example/\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("htmlUrl=\"HTTP://Upper.example/\"")));
    for (const char* hostile : {"javascript:", "data:", "file:", "ftp:"})
        EXPECT_FALSE(text.contains(QLatin1String(hostile))) << hostile;
}
