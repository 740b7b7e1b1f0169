#include "parser/ItemHeadline.h"

#include "parser/HtmlText.h"
#include "parser/ItemFields.h"

namespace {

QString textOf(const QVariant& value) {
    return fieldText(value).value_or(QString());
}

} // namespace

QString itemHeadline(const QVariantMap& item) {
    const QString title = textOf(item.value(itemkeys::kTitle));
    if (!title.trimmed().isEmpty()) return title;
    const QString standIn = textOf(item.value(itemkeys::kHeadlineStandIn)).simplified();
    if (!standIn.isEmpty()) return standIn;
    for (const QString& key : {itemkeys::kDescription, itemkeys::kContentEncoded}) {
        const QString text = plainTextOfHtml(textOf(item.value(key)));
        if (!text.isEmpty()) return text;
    }
    return {};
}
