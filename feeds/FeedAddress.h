#pragma once
#include "parser/LinkedAddress.h"

#include <QString>
#include <QUrl>
#include <optional>

// The URL of a feed record's "url" text: http, https or file, written in full
// (no white space or other characters a URL cannot hold). Nothing otherwise.
std::optional<QUrl> feedAddress(const QString& text);

// The URL of a channel image: resolved against the feed's own URL, and http or
// https only, unless the feed itself was read from a file.
std::optional<QUrl> channelImageAddress(const QString& text, const QUrl& feedURL);
