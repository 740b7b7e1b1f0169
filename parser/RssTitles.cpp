#include "parser/RssTitles.h"

#include "parser/HtmlText.h"

namespace {

// A title that holds markup or entities reads as its plain text; one that reads
// as written is left as it is.
void makePlain(Field& title) {
    if (!title.text.contains(u'<') && !title.text.contains(u'&')) return;
    QString plain = plainTextOfTitle(title.text);
    if (plain != title.text.simplified()) title.text = std::move(plain);
}

} // namespace

void plainRssTitles(ParsedFeed& feed) {
    if (feed.channel) makePlain(feed.channel->title);
    if (!feed.items) return;
    for (FeedItem& item : *feed.items)
        makePlain(item.title);
}
