#include "parser/ItemHeadline.h"

#include "parser/HtmlText.h"

QString itemHeadline(const FeedItem& item) {
    if (!item.title.text.trimmed().isEmpty()) return item.title.text;
    const QString standIn = item.headlineStandIn.simplified();
    if (!standIn.isEmpty()) return standIn;
    for (const Field* field : {&item.description, &item.contentEncoded}) {
        const QString text = plainTextOfHtml(field->text);
        if (!text.isEmpty()) return text;
    }
    return {};
}
