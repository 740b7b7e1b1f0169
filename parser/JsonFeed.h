#pragma once
#include "parser/ParsedFeed.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// JSON Feed 1 and 1.1 read into the feed dictionary that an RSS document makes:
// title, home_page_url as "link", description, language and icon (the image) for
// the channel; for each item id as "guid", url as "link", title, content_html (else
// content_text, else summary) as "description", date_published (else
// date_modified) as "pubDate", the first author, tags as "categories" and the
// first attachment as "enclosure". Relative URLs are resolved against the
// document's URL.
struct JsonFeedResult {
    enum Kind { Feed, NotAFeed, Error };
    Kind kind = Error;
    ParsedFeed feed; // for Feed
    QString reason;  // for NotAFeed and Error: readable, without the URL
};

// Whether the document starts as a JSON object does (after a byte-order mark and
// white space); XML never does.
bool looksLikeJson(const QByteArray& head);

JsonFeedResult readJsonFeed(const QByteArray& document, const QUrl& documentURL,
                            std::size_t maxBytes = std::size_t(16) << 20);
