// How every reader of the items and channels gets a field's text and an item's
// headline.
#include "parser/ItemFields.h"
#include "parser/FeedDictionaryForm.h"
#include "parser/ItemHeadline.h"
#include "tests/parser/ParserTestSupport.h"

#include <QByteArray>
#include <QVariantList>

namespace {

QVariantMap attributed(std::initializer_list<std::pair<QString, QVariant>> pairs) {
    QVariantMap map;
    for (const auto& [key, value] : pairs)
        map.insert(key, value);
    return map;
}

} // namespace

TEST(FieldText, IsTheElementsTextAndNothingElse) {
    const QString url = QStringLiteral("http://127.0.0.1/a.mp3");
    struct Case {
        const char* what;
        Field value;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {"a text", Field::ofText(QStringLiteral("Desk")), QStringLiteral("Desk")},
        // An element written empty is there, with no text: a guid "" is still a guid.
        {"an empty text", Field::ofText(QStringLiteral("")), QString()},
        {"attributes with a text", Field{QStringLiteral("Desk"), {{QStringLiteral("url"), url}}},
         QStringLiteral("Desk")},
        // An attribute named "text" is an attribute, not the element's text.
        {"attributes only", Field{QString(), {{QStringLiteral("text"), QStringLiteral("Desk")}}},
         std::nullopt},
        {"nothing", Field(), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fieldText(c.value), c.text);
        EXPECT_EQ(fieldTextOrEmpty(c.value), c.text.value_or(QString()));
        FeedChannel channel;
        channel.title = c.value;
        EXPECT_EQ(channelTitle(channel), c.text.value_or(QString()));
    }
    const Field enclosure{QString(), {{QStringLiteral("url"), url}, {QStringLiteral("length"), "12"}}};
    EXPECT_EQ(enclosure.attribute(u"url"), url);
    EXPECT_EQ(enclosure.attribute(u"type"), std::nullopt);
    EXPECT_EQ(Field::ofText(url).attribute(u"url"), std::nullopt);
}

TEST(ItemHeadline, TitleElseStandInElseDescriptionElseContent) {
    const QString description = QStringLiteral("description");
    const QString content = QStringLiteral("content:encoded");
    struct Case {
        const char* what;
        QVariantMap item;
        QString headline;
    };
    const Case cases[] = {
        {"a title beats everything",
         {{"title", "Title"}, {"#headline", "Stand-in"}, {description, "<p>Description</p>"}},
         QStringLiteral("Title")},
        {"an attributed title is its text",
         {{"title", attributed({{"text", "Attributed"}, {"type", "html"}})}, {description, "D"}},
         QStringLiteral("Attributed")},
        {"a blank title is none",
         {{"title", " \n\t"}, {description, "<p>From the description</p>"}},
         QStringLiteral("From the description")},
        {"a title without text is none",
         {{"title", attributed({{"type", "html"}})}, {description, "D"}},
         QStringLiteral("D")},
        {"the reader's stand-in comes before the description, collapsed",
         {{"#headline", "  Stand\n  in "}, {description, "Description"}},
         QStringLiteral("Stand in")},
        {"the description's plain text",
         {{description, "<p>Caf&eacute; &amp; <b>bar</b>\n open</p>"}, {content, "Content"}},
         QStringLiteral("Caf\u00e9 & bar open")},
        {"a description of markup alone gives way to content:encoded",
         {{description, "<p> </p><img src=\"x\">"}, {content, "<div>Only <i>content</i> &#8211; here</div>"}},
         QStringLiteral("Only content \u2013 here")},
        {"nothing to read",
         {{"link", "http://127.0.0.1/"}, {description, "  "}, {content, "<br>"}},
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(itemHeadline(itemOfDictionary(c.item)), c.headline);
    }
}
