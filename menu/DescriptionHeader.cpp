#include "menu/DescriptionHeader.h"

#include "menu/SafeOpener.h"
#include "parser/ItemFields.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QWidget>
#include <utility>

namespace {

const char* const kLinkProperty = "descriptionLink";

// Feed text is shown, not laid out at any length.
QString bounded(const QString& text, qsizetype longest) {
    const QString line = text.simplified();
    return line.size() > longest ? line.left(longest - 1) + u'…' : line;
}

// The first of these fields that has more than white space to show.
template <typename ItemOrChannel>
QString firstText(const ItemOrChannel& itemOrChannel, std::initializer_list<QString> keys) {
    for (const QString& key : keys)
        if (const Field* field = itemOrChannel.field(key); field && !field->text.trimmed().isEmpty())
            return field->text;
    return {};
}

// RFC 822 names its zones; Qt reads only numeric offsets.
QString withNumericZone(const QString& date) {
    static const std::pair<const char*, const char*> zones[] = {
        {"GMT", "+0000"}, {"UT", "+0000"},  {"UTC", "+0000"}, {"Z", "+0000"},
        {"EST", "-0500"}, {"EDT", "-0400"}, {"CST", "-0600"}, {"CDT", "-0500"},
        {"MST", "-0700"}, {"MDT", "-0600"}, {"PST", "-0800"}, {"PDT", "-0700"}};
    const qsizetype space = date.lastIndexOf(u' ');
    const QString zone = date.mid(space + 1);
    for (const auto& [name, offset] : zones)
        if (space > 0 && zone.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return date.left(space + 1) + QLatin1String(offset);
    return date;
}

// An RSS or ISO 8601 date in the reader's own form; anything else as the feed gave it.
QString readableDate(const QString& text) {
    QDateTime when = QDateTime::fromString(withNumericZone(text.trimmed()), Qt::RFC2822Date);
    if (!when.isValid()) when = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    return when.isValid() ? QLocale().toString(when.toLocalTime(), QLocale::LongFormat) : text;
}

void setLine(QLabel* label, const QString& text) {
    if (!label) return;
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

QLabel* label(QWidget* window, const char* name) {
    return window ? window->findChild<QLabel*>(QString::fromLatin1(name)) : nullptr;
}

} // namespace

void clearDescriptionHeader(QWidget* window) {
    for (const char* name : {"webTitleLabel", "webDateLabel", "webLinkLabel"})
        setLine(label(window, name), {});
}

namespace {

template <typename ItemOrChannel> void showHeader(QWidget* window, const ItemOrChannel& itemOrChannel) {
    setLine(label(window, "webTitleLabel"), bounded(firstText(itemOrChannel, {itemkeys::kTitle}), 500));
    const QString date =
        firstText(itemOrChannel, {itemkeys::kPubDate, itemkeys::kDcDate, itemkeys::kLastBuildDate});
    setLine(label(window, "webDateLabel"), date.isEmpty() ? QString() : bounded(readableDate(date), 200));

    QLabel* link = label(window, "webLinkLabel");
    if (!link) return;
    const QString address = firstText(itemOrChannel, {itemkeys::kLink}).trimmed();
    // The label shows the address; a click opens the one kept aside, as the menu's
    // command would, never what the markup says.
    link->setProperty(kLinkProperty, address);
    if (!link->property("opensThroughSafeOpener").toBool()) {
        link->setProperty("opensThroughSafeOpener", true);
        QObject::connect(link, &QLabel::linkActivated, link,
                         [link] { openWebLink(link->property(kLinkProperty).toString()); });
    }
    setLine(link, address.isEmpty()
                      ? QString()
                      : QStringLiteral("<a href=\"#\">%1</a>").arg(bounded(address, 200).toHtmlEscaped()));
}
} // namespace

void showDescriptionHeader(QWidget* window, const FeedItem& itemOrChannel) {
    showHeader(window, itemOrChannel);
}

void showDescriptionHeader(QWidget* window, const FeedChannel& itemOrChannel) {
    showHeader(window, itemOrChannel);
}
