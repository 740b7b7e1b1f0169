#include "feeds/SignText.h"

#include "core/TitleShortening.h"
#include "parser/ItemHeadline.h"

#include <QColor>
#include <QStringBuilder>

bool isHiddenItem(const FeedItem& item, const QVariantList& hiddenItems) {
    return item.guid.hasText() && hiddenItems.contains(QVariant(item.guid.text));
}

PNAttributedString signText(const FeedItem& item, const FeedChannel& channel, int titleLength) {
    const QString itemPart = shortenedTitle(itemHeadline(item), titleLength);
    const QString channelPart = shortenedTitle(channelTitle(channel), titleLength);

    // Sign texts are kept as long as the sign is shown: built at their exact size.
    PNAttributedString text(QString(itemPart % u" (" % channelPart % u") "));
    const int divider = int(itemPart.size());
    text.addFont(0, divider, PNAttributedString::Font::Standard);
    text.addFont(divider, text.length() - divider, PNAttributedString::Font::Small);
    if (item.link.isPresent()) {
        text.addColor(0, divider, QColor(Qt::blue));
        text.addUnderline(0, divider, 1);
    }
    return text;
}

QString signToolTip(const FeedItem& item, const FeedChannel& channel) {
    const QString itemPart = itemHeadline(item).simplified();
    const QString channelPart = channelTitle(channel).simplified();
    if (channelPart.isEmpty()) return itemPart;
    return itemPart.isEmpty() ? channelPart : QString(itemPart % u'\n' % channelPart);
}
