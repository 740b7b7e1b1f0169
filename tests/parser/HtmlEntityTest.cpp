// HTML named entities that feeds use without declaring them, in text and in
// attribute values, alone and alongside the document's own entities.
#include "parser/XmlEventParser.h"
#include "tests/parser/ParserTestSupport.h"

#include <future>
#include <vector>

namespace {

// The text of the whole document and the attributes of every element, in order.
struct Recorder : XmlEventDelegate {
    QString text;
    QList<QVariantMap> attributes;
    QString error;
    bool ended = false;
    void didStartElement(const QString&, const Attributes& a) override {
        if (a.isEmpty()) return;
        QVariantMap map;
        for (const Attribute& attribute : a)
            map.insert(attribute.name, attribute.value);
        attributes.append(map);
    }
    void foundCharacters(QStringView t) override { text += t; }
    void foundIgnorableWhitespace(QStringView) override {}
    void didEndElement(const QString&) override {}
    void parseErrorOccurred(const QString& description) override { error = description; }
    void parserDidEndDocument() override { ended = true; }
};

struct Outcome {
    QString text;
    QList<QVariantMap> attributes;
    QString error;
    bool ended = false;
};

Outcome parse(const QByteArray& document, XmlParseLimits limits = {}, qsizetype piece = 0) {
    Recorder recorder;
    XmlEventParser parser(recorder, limits);
    if (piece > 0)
        parseInPieces(parser, document, piece);
    else
        parser.parseChunk(document.constData(), std::size_t(document.size()));
    parser.finish();
    return {recorder.text, recorder.attributes, recorder.error, recorder.ended};
}

const QByteArray kMixed = "<?xml version=\"1.0\"?>\n"
                          "<r a=\"&eacute;t&eacute;\" b=\"&nbsp;&amp;&nbsp;\">caf&eacute;&nbsp;&mdash;"
                          "<e a=\"&mdash;&hellip;&eacute;\" c=\"&copy;&#233;\">&hellip;&eacute;</e>"
                          "&euro;</r>";

} // namespace

TEST(HtmlEntities, ReadTheSameInTextAndAttributesWhateverTheChunks) {
    for (const qsizetype piece : {0, 1, 7}) {
        SCOPED_TRACE(piece);
        const Outcome o = parse(kMixed, {}, piece);
        ASSERT_TRUE(o.ended) << o.error.toStdString();
        EXPECT_EQ(o.text, u"café\u00a0—…é€");
        ASSERT_EQ(o.attributes.size(), 2);
        EXPECT_EQ(o.attributes[0].value(QStringLiteral("a")).toString(), u"été");
        EXPECT_EQ(o.attributes[0].value(QStringLiteral("b")).toString(), u"\u00a0&\u00a0");
        EXPECT_EQ(o.attributes[1].value(QStringLiteral("a")).toString(), u"—…é");
        EXPECT_EQ(o.attributes[1].value(QStringLiteral("c")).toString(), u"©é");
    }
}

TEST(HtmlEntities, TheDocumentsOwnDeclarationsComeFirstAndMayUseThem) {
    const QByteArray document = "<?xml version=\"1.0\"?>\n"
                                "<!DOCTYPE r [<!ENTITY nbsp \"[own]\"><!ENTITY mix \"&eacute;&nbsp;!\">]>"
                                "<r a=\"&nbsp;&mix;&eacute;\">&nbsp;&mix;&eacute;</r>";
    const Outcome o = parse(document);
    ASSERT_TRUE(o.ended) << o.error.toStdString();
    EXPECT_EQ(o.text, u"[own]é[own]!é");
    ASSERT_EQ(o.attributes.size(), 1);
    EXPECT_EQ(o.attributes[0].value(QStringLiteral("a")).toString(), u"[own]é[own]!é");
}

TEST(HtmlEntities, CountAgainstTheEntityBudget) {
    XmlParseLimits limits;
    limits.maxEntityLookups = 50;
    QByteArray many;
    for (int i = 0; i < 60; ++i)
        many += "&eacute;";
    for (const QByteArray& document : {"<r>" + many + "</r>", "<r a=\"" + many + "\"/>"}) {
        SCOPED_TRACE(document.toStdString());
        const Outcome o = parse(document, limits);
        EXPECT_FALSE(o.ended);
        EXPECT_TRUE(o.error.contains(QStringLiteral("too many entity references"))) << o.error.toStdString();
    }
    // Within the budget, the same entity read again and again is no fault.
    limits.maxEntityLookups = 200;
    EXPECT_TRUE(parse("<r a=\"" + many + "\">" + many + "</r>", limits).ended);
}

// Parsers on several threads at once share what libxml2 only reads and keep
// apart what it writes to; each reads every document as one parser alone does.
TEST(HtmlEntities, ParsersOnManyThreadsReadThemAlike) {
    const Outcome alone = parse(kMixed);
    ASSERT_TRUE(alone.ended);
    std::vector<std::future<bool>> runs;
    for (int t = 0; t < 4; ++t)
        runs.push_back(std::async(std::launch::async, [&alone] {
            for (int i = 0; i < 50; ++i) {
                const Outcome o = parse(kMixed);
                if (!o.ended || o.text != alone.text || o.attributes != alone.attributes) return false;
            }
            return true;
        }));
    for (auto& run : runs)
        EXPECT_TRUE(run.get());
}
