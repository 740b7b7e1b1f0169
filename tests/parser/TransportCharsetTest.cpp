// A document that names no encoding is read in the charset its transport named.
#include "parser/RssHandlers.h"
#include "tests/parser/ParserTestSupport.h"

TEST(TransportCharset, HeldBackUntilTheDeclarationIsWholeWhateverTheChunks) {
    const QByteArray body =
        encoded("Shift_JIS", QStringLiteral("<?xml version=\"1.0\"?>\n<rss><channel><title>"
                                            "日本語の表示</title></channel></rss>"));
    for (std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(4096)}) {
        RssHandlers handlers;
        platform::XmlEventParser parser(handlers);
        parser.setFallbackEncoding("Shift_JIS");
        for (std::size_t at = 0; at < std::size_t(body.size()); at += chunk)
            parser.parseChunk(body.constData() + at, std::min(chunk, std::size_t(body.size()) - at));
        ASSERT_TRUE(parser.finish()) << parser.errorDescription().toStdString();
        EXPECT_EQ(handlers.feedDictionary().channel->value(QStringLiteral("title")),
                  QStringLiteral("日本語の表示"));
    }
}
