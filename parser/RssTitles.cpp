#include "parser/RssTitles.h"

#include "parser/HtmlText.h"
#include "parser/ItemFields.h"

namespace {

using itemkeys::kText;
using itemkeys::kTitle;

// The readable form of a title, or nothing when it reads as written.
std::optional<QString> plainTitle(const QVariant& value) {
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    const QString text = value.toString();
    if (!text.contains(u'<') && !text.contains(u'&')) return std::nullopt;
    QString plain = plainTextOfTitle(text);
    if (plain == text.simplified()) return std::nullopt;
    return plain;
}

// The title of a container, a text or (with attributes) a dictionary's "text".
void makePlain(QVariantMap& container) {
    const auto title = container.find(kTitle);
    if (title == container.end()) return;
    if (title->typeId() == QMetaType::QVariantMap) {
        QVariantMap attributes = title->toMap();
        if (std::optional<QString> plain = plainTitle(attributes.value(kText))) {
            attributes.insert(kText, *plain);
            *title = attributes;
        }
    } else if (std::optional<QString> plain = plainTitle(*title)) {
        *title = *plain;
    }
}

bool mayNeedChange(const QVariant& title) {
    const QString text =
        title.typeId() == QMetaType::QVariantMap ? title.toMap().value(kText).toString() : title.toString();
    return text.contains(u'<') || text.contains(u'&');
}

} // namespace

void plainRssTitles(ParsedFeed& feed) {
    if (feed.channel) makePlain(*feed.channel);
    if (!feed.items) return;
    for (QVariant& item : *feed.items) {
        // Most titles hold neither "<" nor "&": their items are not copied.
        const QVariantMap* map = static_cast<const QVariantMap*>(item.constData());
        if (item.typeId() != QMetaType::QVariantMap || !mayNeedChange(map->value(kTitle))) continue;
        QVariantMap changed = *map;
        makePlain(changed);
        item = std::move(changed);
    }
}
