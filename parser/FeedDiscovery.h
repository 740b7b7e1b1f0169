#pragma once
#include <QByteArray>
#include <QUrl>
#include <optional>

// The feed a web page names for itself: the first link of its head with rel
// "alternate", the type of an RSS, Atom or JSON feed and an address a feed can
// have (http or https; a file for a page read from a file), resolved against the
// page's base. Nothing when the page names none.
std::optional<QUrl> discoveredFeed(const QByteArray& page, const QUrl& pageURL);

// Whether a document that is not XML looks like an HTML page from its first bytes.
bool looksLikeHtml(const QByteArray& head);

// Whether enough of a page has come for its head to be read: the head or the
// page itself has ended.
bool htmlHeadIsComplete(const QByteArray& page);
