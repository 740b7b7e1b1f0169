#include "feeds/SignText.h"

#include "core/TitleShortening.h"
#include "parser/ItemHeadline.h"
#include "platform/Values.h"

#include <QColor>

QString entryText(const QVariant& entry) {
    if (platform::isText(entry)) return entry.toString();
    if (platform::isDictionary(entry))
        return platform::textValue(entry.toMap().value(QStringLiteral("text")));
    return {};
}

bool isHiddenItem(const QVariantMap& item, const QVariantList& markers) {
    const auto guid = item.constFind(QStringLiteral("guid"));
    if (guid == item.cend()) return false;
    const QVariant marker =
        platform::isDictionary(*guid) ? guid->toMap().value(QStringLiteral("text")) : *guid;
    return marker.isValid() && markers.contains(marker);
}

PNAttributedString signText(const QVariantMap& item, const QVariantMap& channel, int titleLength) {
    const QString itemPart = shortenedTitle(itemHeadline(item), titleLength);
    const QString channelPart =
        shortenedTitle(entryText(channel.value(QStringLiteral("title"))), titleLength);

    PNAttributedString text(itemPart + QStringLiteral(" (") + channelPart + QStringLiteral(") "));
    const int divider = int(itemPart.size());
    text.addFont(0, divider, PNAttributedString::Font::Standard);
    text.addFont(divider, text.length() - divider, PNAttributedString::Font::Small);
    if (item.contains(QStringLiteral("link"))) {
        text.addColor(0, divider, QColor(Qt::blue));
        text.addUnderline(0, divider, 1);
    }
    return text;
}

QString signToolTip(const QVariantMap& item, const QVariantMap& channel) {
    const QString itemPart = itemHeadline(item).simplified();
    const QString channelPart = entryText(channel.value(QStringLiteral("title"))).simplified();
    if (channelPart.isEmpty()) return itemPart;
    return itemPart.isEmpty() ? channelPart : itemPart + u'\n' + channelPart;
}

QString itemActionString(qsizetype index, const QString& feedURL) {
    return QString::number(index) + u',' + feedURL;
}
