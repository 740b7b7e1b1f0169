// A document that names no encoding is read in the charset its transport named.
#include "parser/RssHandlers.h"
#include "tests/parser/ParserTestSupport.h"

TEST(TransportCharset, HeldBackUntilTheDeclarationIsWholeWhateverTheChunks) {
    const QByteArray body =
        encoded("Shift_JIS", QStringLiteral("<?xml version=\"1.0\"?>\n<rss><channel><title>"
                                            "日本語の表示</title></channel></rss>"));
    for (const qsizetype chunk : {1, 3, 4096}) {
        RssHandlers handlers;
        XmlEventParser parser(handlers);
        parser.setFallbackEncoding("Shift_JIS");
        parseInPieces(parser, body, chunk);
        ASSERT_TRUE(parser.finish()) << parser.errorDescription().toStdString();
        EXPECT_EQ(handlers.feedDictionary().channel->title.text, QStringLiteral("日本語の表示"));
    }
}
