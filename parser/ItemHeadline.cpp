#include "parser/ItemHeadline.h"

#include "parser/HtmlText.h"
#include "parser/ItemFields.h"

QString itemHeadline(const QVariantMap& item) {
    const QString title = fieldTextOrEmpty(item.value(itemkeys::kTitle));
    if (!title.trimmed().isEmpty()) return title;
    const QString standIn = fieldTextOrEmpty(item.value(itemkeys::kHeadlineStandIn)).simplified();
    if (!standIn.isEmpty()) return standIn;
    for (const QString& key : {itemkeys::kDescription, itemkeys::kContentEncoded}) {
        const QString text = plainTextOfHtml(fieldTextOrEmpty(item.value(key)));
        if (!text.isEmpty()) return text;
    }
    return {};
}
