#include "feeds/SignText.h"

#include "core/TitleShortening.h"
#include "parser/ItemHeadline.h"

#include <QColor>

bool isHiddenItem(const QVariantMap& item, const QVariantList& hiddenItems) {
    const std::optional<QString> guid = fieldText(item.value(itemkeys::kGuid));
    return guid && hiddenItems.contains(QVariant(*guid));
}

PNAttributedString signText(const QVariantMap& item, const QVariantMap& channel, int titleLength) {
    const QString itemPart = shortenedTitle(itemHeadline(item), titleLength);
    const QString channelPart = shortenedTitle(channelTitle(channel), titleLength);

    PNAttributedString text(itemPart + QStringLiteral(" (") + channelPart + QStringLiteral(") "));
    const int divider = int(itemPart.size());
    text.addFont(0, divider, PNAttributedString::Font::Standard);
    text.addFont(divider, text.length() - divider, PNAttributedString::Font::Small);
    if (item.contains(itemkeys::kLink)) {
        text.addColor(0, divider, QColor(Qt::blue));
        text.addUnderline(0, divider, 1);
    }
    return text;
}

QString signToolTip(const QVariantMap& item, const QVariantMap& channel) {
    const QString itemPart = itemHeadline(item).simplified();
    const QString channelPart = channelTitle(channel).simplified();
    if (channelPart.isEmpty()) return itemPart;
    return itemPart.isEmpty() ? channelPart : itemPart + u'\n' + channelPart;
}
