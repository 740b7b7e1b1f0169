#include "parser/ItemHeadline.h"

#include "parser/HtmlText.h"

namespace {

// A stored entry's text: a text, or an attribute dictionary's "text".
QString textOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString();
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap().value(QStringLiteral("text")).toString();
    return {};
}

} // namespace

QString itemHeadline(const QVariantMap& item) {
    const QString title = textOf(item.value(QStringLiteral("title")));
    if (!title.trimmed().isEmpty()) return title;
    const QString standIn = textOf(item.value(kHeadlineStandInKey)).simplified();
    if (!standIn.isEmpty()) return standIn;
    for (const char* key : {"description", "content:encoded"}) {
        const QString text = plainTextOfHtml(textOf(item.value(QLatin1String(key))));
        if (!text.isEmpty()) return text;
    }
    return {};
}
