#include "parser/JsonFeed.h"

#include "parser/FeedText.h"
#include "parser/HtmlText.h"
#include "parser/ItemFields.h"
#include "parser/ItemHeadline.h"
#include "parser/JsonItemBound.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Ten thousand items with an author, tags and an attachment each hold some
// sixty thousand; a document that holds more is built to cost memory.
constexpr qsizetype kMaxJsonContainers = 200'000;

// A member that is a text; anything else (a number, an object) counts as absent.
QString textOf(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isString() ? value.toString() : QString();
}

// A text that is all white space is no text.
void putText(Field& field, const QString& text) {
    if (!text.trimmed().isEmpty()) field = Field::ofText(text);
}
void putText(QString& slot, const QString& text) {
    if (!text.trimmed().isEmpty()) slot = text;
}

// Version 1.1 has "authors"; version 1 had one "author".
QString authorOf(const QJsonObject& object) {
    QJsonObject author = object.value(QLatin1String("author")).toObject();
    const QJsonArray authors = object.value(QLatin1String("authors")).toArray();
    for (const QJsonValue& candidate : authors)
        if (candidate.isObject()) {
            author = candidate.toObject();
            break;
        }
    const QString url = textOf(author, "url").trimmed();
    const QString email =
        url.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive) ? url.mid(7) : QString();
    return rssAuthor(textOf(author, "name"), email);
}

FeedItem itemOf(const QJsonObject& object, const QUrl& base) {
    FeedItem item;
    const QJsonValue id = object.value(QLatin1String("id"));
    // Version 1 allowed numbers as ids.
    if (id.isString() || id.isDouble())
        putText(item.guid, id.isString() ? id.toString() : QString::number(id.toDouble(), 'g', 17));
    putText(item.link, resolvedLink(base, textOf(object, "url")));
    putText(item.title, textOf(object, "title").trimmed());
    const QString html = textOf(object, "content_html");
    const QString text = textOf(object, "content_text");
    const QString summary = textOf(object, "summary");
    if (!html.trimmed().isEmpty())
        item.description = Field::ofText(html);
    else if (!text.trimmed().isEmpty())
        item.description = Field::ofText(htmlOfPlainText(text.trimmed()));
    else if (!summary.trimmed().isEmpty())
        item.description = Field::ofText(htmlOfPlainText(summary.trimmed()));
    // An untitled item reads as its summary, then its text, then its HTML's text.
    if (!item.title.isPresent()) {
        QString standIn = summary.simplified();
        if (standIn.isEmpty()) standIn = text.simplified();
        if (standIn.isEmpty()) standIn = plainTextOfHtml(html);
        if (!standIn.isEmpty()) item.headlineStandIn = standIn;
    }
    QString date = textOf(object, "date_published");
    if (date.trimmed().isEmpty()) date = textOf(object, "date_modified");
    putText(item.pubDate, date.trimmed().isEmpty() ? QString() : rssDateOfIsoDate(date));
    putText(item.author, authorOf(object));
    Categories categories;
    for (const QJsonValue& tag : object.value(QLatin1String("tags")).toArray())
        if (tag.isString() && !tag.toString().trimmed().isEmpty())
            categories.append(Field::ofText(tag.toString().trimmed()));
    if (!categories.isEmpty()) item.categories = std::move(categories);
    for (const QJsonValue& value : object.value(QLatin1String("attachments")).toArray()) {
        const QJsonObject attachment = value.toObject();
        const QString url = resolvedLink(base, textOf(attachment, "url"));
        if (url.isEmpty()) continue;
        Attributes& enclosure = item.enclosure.attributes;
        enclosure.append(Attribute{itemkeys::kURL, url});
        if (const QString type = textOf(attachment, "mime_type"); !type.trimmed().isEmpty())
            enclosure.append(Attribute{itemkeys::kType, type});
        const QJsonValue size = attachment.value(QLatin1String("size_in_bytes"));
        if (size.isDouble() && size.toDouble() >= 0)
            enclosure.append(Attribute{itemkeys::kLength, QString::number(qint64(size.toDouble()))});
        break;
    }
    return item;
}

} // namespace

bool looksLikeJson(const QByteArray& head) {
    qsizetype at = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < head.size() && (head[at] == ' ' || head[at] == '\t' || head[at] == '\r' || head[at] == '\n'))
        ++at;
    return at < head.size() && head[at] == '{';
}

JsonFeedResult readJsonFeed(const QByteArray& document, const QUrl& documentURL, std::size_t maxBytes) {
    JsonFeedResult result;
    if (std::size_t(document.size()) > maxBytes) {
        result.reason = QStringLiteral("larger than %1 bytes").arg(qulonglong(maxBytes));
        return result;
    }
    const JsonItemBound bound =
        boundJsonItems(document.startsWith("\xEF\xBB\xBF") ? document.mid(3) : document, kMaxItemsPerFeed,
                       kMaxJsonContainers);
    if (bound.tooManyContainers) {
        result.reason = QStringLiteral("more than %1 JSON objects and arrays").arg(kMaxJsonContainers);
        return result;
    }
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bound.document, &error);
    if (error.error != QJsonParseError::NoError) {
        result.reason = QStringLiteral("%1 (at byte %2)").arg(error.errorString()).arg(error.offset);
        return result;
    }
    const QJsonObject root = json.object();
    const QString version = textOf(root, "version").trimmed();
    if (!json.isObject() || !(version.startsWith(QLatin1String("https://jsonfeed.org/version/")) ||
                              version.startsWith(QLatin1String("http://jsonfeed.org/version/")))) {
        result.kind = JsonFeedResult::NotAFeed;
        result.reason = QStringLiteral("a JSON document that is not a JSON Feed");
        return result;
    }
    FeedChannel& channel = result.feed.channel.emplace();
    putText(channel.title, textOf(root, "title").trimmed());
    const QString home = resolvedLink(documentURL, textOf(root, "home_page_url"));
    putText(channel.link, home);
    putText(channel.description, htmlOfPlainText(textOf(root, "description").trimmed()));
    putText(channel.language, textOf(root, "language").trimmed());
    QString icon = resolvedLink(documentURL, textOf(root, "icon"));
    if (icon.isEmpty()) icon = resolvedLink(documentURL, textOf(root, "favicon"));
    if (!icon.isEmpty()) {
        FeedImage& image = channel.image.emplace();
        image.url = icon;
        putText(image.link, home);
    }
    const QJsonArray items = root.value(QLatin1String("items")).toArray();
    QList<FeedItem> list;
    for (const QJsonValue& value : items)
        if (value.isObject()) {
            FeedItem item = itemOf(value.toObject(), documentURL);
            if (!item.isEmpty()) list.append(std::move(item)); // nothing of it could be read
        }
    if (!list.isEmpty()) result.feed.items = std::move(list);
    result.feed.itemsLeftOut = bound.itemsLeftOut;
    result.kind = JsonFeedResult::Feed;
    return result;
}
