#include "core/NewsreelPlugin.h"

#include "menu/DescriptionHeader.h"
#include "menu/FeedFields.h"
#include "menu/InfoMenu.h"
#include "menu/SafeOpener.h"
#include "platform/AlertSound.h"
#include "platform/SystemLog.h"

#include <QAction>

namespace {

// What the last click left on the menu, looked up again now. An update may have
// rebuilt the feed since: an item that is no longer the clicked one at its index
// resolves to nothing, so no command acts on an item the user did not pick.
struct CommandContext {
    std::optional<QString> feedURL;
    int index = -1;
    std::optional<QVariantMap> item;
    std::optional<QVariantMap> channel;
};

CommandContext resolveContext(NewsreelPlugin& plugin) {
    CommandContext context;
    if (!plugin.itemTitleItem || !plugin.feedTitleItem) return context;
    const QVariant url = plugin.feedTitleItem->data();
    if (url.typeId() != QMetaType::QString) return context;
    context.feedURL = url.toString();
    const QVariant index = plugin.itemTitleItem->data();
    const QVariantMap clicked = plugin.itemTitleItem->property(kClickedItemProperty).toMap();
    if (index.typeId() == QMetaType::Int) context.index = index.toInt();

    std::lock_guard lock(plugin.dataMutex);
    if (!plugin.topDictionary) return context;
    const auto feed = plugin.topDictionary->constFind(*context.feedURL);
    if (feed == plugin.topDictionary->constEnd()) return context;
    if (feed->channel) context.channel = *feed->channel;
    if (feed->items && context.index >= 0 && context.index < feed->items->size()) {
        const QVariantMap item = feed->items->at(context.index).toMap();
        if (item == clicked) context.item = item;
    }
    return context;
}

std::optional<QString> textOf(const std::optional<QVariantMap>& dictionary, const char* key) {
    if (!dictionary) return std::nullopt;
    return fieldText(dictionary->value(QString::fromLatin1(key)));
}

} // namespace

void NewsreelPlugin::doActionableMenuItem(QObject* sender) {
    if (!sender) return platform::systemLog(QStringLiteral("menu command not implemented!"));
    // The menu has closed by itself.
    if (sender == closeItem) return;

    const CommandContext context = resolveContext(*this);
    // Runs a command on a field of the clicked item or channel; a context that no
    // longer resolves, or lacks the field, only sounds the alert.
    const auto withText = [](const std::optional<QString>& text, const auto& command) {
        if (text)
            command(*text);
        else
            platform::beep();
    };
    const auto show = [this](const char* label, const std::optional<QVariantMap>& about) {
        return [this, label, &about](const QString& html) {
            showDescription(html, QString::fromLatin1(label));
            if (about) showDescriptionHeader(webWindow, *about);
        };
    };

    if (sender == showFullItemDescriptionItem)
        return withText(textOf(context.item, "description"), show("Full Item Description", context.item));
    if (sender == showFullFeedDescriptionItem)
        return withText(textOf(context.channel, "description"),
                        show("Full Feed Description", context.channel));
    if (sender == openItemLinkInBrowserItem) return withText(textOf(context.item, "link"), openWebLink);
    if (sender == openFeedLinkInBrowserItem) return withText(textOf(context.channel, "link"), openWebLink);
    if (sender == openCommentsPageItem) return withText(textOf(context.item, "comments"), openWebLink);
    if (sender == downloadEnclosureItem) {
        const std::optional<QString> url =
            context.item
                ? fieldAttribute(context.item->value(QStringLiteral("enclosure")), QStringLiteral("url"))
                : std::nullopt;
        return withText(url, openWebLink);
    }
    if (sender == emailAuthorItem) return withText(textOf(context.item, "author"), openMailField);
    if (sender == emailManagingEditorItem)
        return withText(textOf(context.channel, "managingEditor"), openMailField);
    if (sender == emailWebmasterItem) return withText(textOf(context.channel, "webMaster"), openMailField);
    if (sender == dontShowAgainItem) {
        if (!context.item) return platform::beep();
        return dontShowAgain(*context.feedURL, context.index, *context.item);
    }
    if (sender == setUpdateIntervalToItem) {
        return withText(textOf(context.channel, "ttl"),
                        [&](const QString& ttl) { setUpdateIntervalTo(*context.feedURL, ttl); });
    }
    if (sender == unsubscribeFromFeedItem) {
        if (!context.feedURL) return platform::beep();
        return unsubscribeFromFeed(*context.feedURL);
    }
    if (sender == subscribeToSourceItem) {
        const std::optional<QString> url =
            context.item
                ? fieldAttribute(context.item->value(QStringLiteral("source")), QStringLiteral("url"))
                : std::nullopt;
        if (!url || url->trimmed().isEmpty()) return platform::beep();
        return subscribeToSource(*url);
    }
    platform::systemLog(QStringLiteral("menu command not implemented!"));
}
