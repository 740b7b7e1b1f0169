#pragma once
#include <QString>
#include <QUrl>
#include <optional>

// The URL of a feed record's "url" text: http, https or file, written in full
// (no white space or other characters a URL cannot hold). Nothing otherwise.
std::optional<QUrl> feedAddress(const QString& text);

// The URL of a channel image: resolved against the feed's own URL, and http or
// https only, unless the feed itself was read from a file.
std::optional<QUrl> channelImageAddress(const QString& text, const QUrl& feedURL);

// The same rule for any address a document links to (a page's feed).
std::optional<QUrl> linkedAddress(const QString& text, const QUrl& documentURL);

// What a user typed into the feed table as a feed URL, made whole: without a
// scheme it is read as https ("example.org/feed"), and "feed:" addresses lose that
// prefix. Nothing when it is not a URL a feed can have (white space inside, no
// host that could be one, another scheme).
std::optional<QString> typedFeedAddress(const QString& typed);
