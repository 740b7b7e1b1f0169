// A feed of endless items cannot bury the ticker in signs.
#include "tests/feeds/FeedTestSupport.h"

TEST_F(FeedTest, AFeedShowsAtMostAThousandItems) {
    QByteArray items;
    for (int i = 0; i < 1005; ++i)
        items += "<item><title>i" + QByteArray::number(i) + "</title></item>";
    const QString url = writeFeed(rss("<title>F</title>" + items));
    runUpdate(url);
    const QStringList texts = addedTexts();
    ASSERT_EQ(texts.size(), 1000);
    EXPECT_EQ(texts.last(), QStringLiteral("i999 (F) "));
    EXPECT_TRUE(recorder->logLines().contains("showing the first 1000 items of " + url));
    EXPECT_EQ(entry(url)->items->size(), 1005) << "the feed itself is kept whole";
}
