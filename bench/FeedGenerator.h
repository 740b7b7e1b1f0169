#pragma once
#include <QByteArray>

// RSS 2.0 documents of our own for measuring: every item has a title, link, an
// escaped or CDATA HTML description of about 500 bytes, a guid with isPermaLink,
// pubDate, two categories (one with a domain), an enclosure and an author; the
// channel has ttl, image, language and generator. The image's address is
// relative by default: beside the feed, so that measuring never leaves the machine.
QByteArray generateFeed(int items, const QByteArray& imageURL = "logo.png");

inline constexpr int kTypicalItems = 50;  // about 50 KB
inline constexpr int kLargeItems = 20000; // about 20 MB
