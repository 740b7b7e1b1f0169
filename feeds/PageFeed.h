#pragma once
#include <QString>

class NewsreelPlugin;

// A feed URL that answered with a web page whose head names a feed: the record
// takes the feed's URL in place of the page's, keeping its interval and whether
// it is enabled, and what hangs on the URL (signs, hidden items, the timer)
// follows. Called on the worker with no lock held.
enum class PageFeedAdoption {
    Adopted,
    PageGone,   // the page's record left the list meanwhile: nothing changed
    FeedListed, // the list has the feed already: nothing changed
};
PageFeedAdoption adoptPageFeed(NewsreelPlugin& plugin, const QString& pageURL, const QString& feedURL);
