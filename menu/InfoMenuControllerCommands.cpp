#include "menu/InfoMenuController.h"

#include "core/FeedStore.h"
#include "menu/DescriptionHeader.h"
#include "menu/SafeOpener.h"
#include "menu/SubmenuLookup.h"
#include "parser/ItemFields.h"
#include "platform/AlertSound.h"
#include "platform/SystemLog.h"

#include <QAction>

namespace {

// What the last click left on the menu, looked up again now. An update may have
// rebuilt the feed since: the clicked item is found again by what names it (its
// guid, else its link, else its title), at its index or wherever it has moved; a
// refetch that only changed, say, its date keeps the commands working. An item
// that is gone resolves to nothing, so no command acts on one the user did not pick.
struct CommandContext {
    std::optional<QString> feedURL;
    int index = -1;
    std::optional<FeedItem> item;
    std::optional<FeedChannel> channel;
};

// The field that names an item across updates, and its text; none when the
// item has no guid, link or title text (then only an equal item is the same one).
using ItemIdentity = std::pair<Field FeedItem::*, QString>;

std::optional<ItemIdentity> identityOf(const FeedItem& item) {
    for (Field FeedItem::*field : {&FeedItem::guid, &FeedItem::link, &FeedItem::title}) {
        if (const Field& value = item.*field; value.hasText() && !value.text.isEmpty())
            return ItemIdentity{field, value.text};
    }
    return std::nullopt;
}

bool isSameItem(const FeedItem& candidate, const FeedItem& clicked,
                const std::optional<ItemIdentity>& identity) {
    if (!identity) return candidate == clicked;
    return fieldText(candidate.*identity->first) == identity->second;
}

CommandContext resolveContext(const InfoMenuController::Outlets& outlets, const FeedStore& store,
                              const FeedItem& clicked) {
    CommandContext context;
    if (!outlets.itemTitleItem || !outlets.feedTitleItem) return context;
    const QVariant url = outlets.feedTitleItem->data();
    if (url.typeId() != QMetaType::QString) return context;
    context.feedURL = url.toString();
    const QVariant index = outlets.itemTitleItem->data();
    const int clickedIndex = index.typeId() == QMetaType::Int ? index.toInt() : -1;
    const auto identity = identityOf(clicked);

    const std::optional<FeedDictionary> feed = store.feed(*context.feedURL);
    if (!feed) return context;
    if (feed->channel) context.channel = *feed->channel;
    if (!feed->items || clickedIndex < 0) return context;
    const QList<FeedItem>& items = *feed->items;
    // Where it was first: the usual case, and the right one among equal names.
    if (clickedIndex < items.size() && isSameItem(items.at(clickedIndex), clicked, identity)) {
        context.index = clickedIndex;
        context.item = items.at(clickedIndex);
        return context;
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        const FeedItem& candidate = items.at(i);
        if (isSameItem(candidate, clicked, identity)) {
            context.index = int(i);
            context.item = candidate;
            break;
        }
    }
    return context;
}

template <typename ItemOrChannel>
std::optional<QString> textOf(const std::optional<ItemOrChannel>& itemOrChannel,
                              Field ItemOrChannel::*field) {
    if (!itemOrChannel) return std::nullopt;
    return fieldText((*itemOrChannel).*field);
}

std::optional<QString> attributeOf(const std::optional<FeedItem>& item, Field FeedItem::*field,
                                   const QString& attribute) {
    if (!item) return std::nullopt;
    return ((*item).*field).attribute(attribute);
}

} // namespace

void InfoMenuController::doActionableMenuItem(QObject* sender) {
    if (!sender) return platform::systemLog(QStringLiteral("menu command not implemented!"));
    // The menu has closed by itself.
    const Outlets& o = outlets_;
    if (sender == o.closeItem) return;

    const CommandContext context = resolveContext(o, store_, clickedItem_);
    // Runs a command on a field of the clicked item or channel; a context that no
    // longer resolves, or lacks the field, only sounds the alert.
    const auto withText = [](const std::optional<QString>& text, const auto& command) {
        if (text)
            command(*text);
        else
            platform::beep();
    };
    const auto show = [this](const char* label, const auto& about) {
        return [this, label, &about](const QString& html) {
            description_.showDescription(html, QString::fromLatin1(label));
            if (about) showDescriptionHeader(description_.outlets().webWindow, *about);
        };
    };

    if (sender == o.showFullItemDescriptionItem)
        return withText(textOf(context.item, &FeedItem::description),
                        show("Full Item Description", context.item));
    if (sender == o.showFullFeedDescriptionItem)
        return withText(textOf(context.channel, &FeedChannel::description),
                        show("Full Feed Description", context.channel));
    // The headline at the menu's top stands for its page, as a click on a link does.
    if (sender == o.openItemLinkInBrowserItem || sender == o.itemTitleItem)
        return withText(textOf(context.item, &FeedItem::link), openWebLink);
    if (sender == o.openFeedLinkInBrowserItem)
        return withText(textOf(context.channel, &FeedChannel::link), openWebLink);
    if (sender == o.openCommentsPageItem)
        return withText(textOf(context.item, &FeedItem::comments), openWebLink);
    if (sender == o.downloadEnclosureItem) {
        const std::optional<QString> url = attributeOf(context.item, &FeedItem::enclosure, itemkeys::kURL);
        return withText(url, openWebLink);
    }
    if (sender == o.emailAuthorItem) return withText(textOf(context.item, &FeedItem::author), openMailField);
    if (sender == o.emailManagingEditorItem)
        return withText(textOf(context.channel, &FeedChannel::managingEditor), openMailField);
    if (sender == o.emailWebmasterItem)
        return withText(textOf(context.channel, &FeedChannel::webMaster), openMailField);
    if (sender == o.dontShowAgainItem) {
        if (!context.item) return platform::beep();
        return commands_.dontShowAgain(*context.feedURL, context.index, *context.item);
    }
    if (sender == o.setUpdateIntervalToItem) {
        return withText(textOf(context.channel, &FeedChannel::ttl),
                        [&](const QString& ttl) { commands_.setUpdateIntervalTo(*context.feedURL, ttl); });
    }
    if (sender == o.unsubscribeFromFeedItem) {
        if (!context.feedURL) return platform::beep();
        return commands_.unsubscribeFromFeed(*context.feedURL);
    }
    if (sender == o.subscribeToSourceItem) {
        const std::optional<QString> url = attributeOf(context.item, &FeedItem::source, itemkeys::kURL);
        // A feed that names its source names any URL it likes: only a web address
        // becomes a subscription, fetched and kept for every later start.
        const QString address = url ? url->trimmed() : QString();
        if (!isWebURL(QUrl(address, QUrl::StrictMode))) return platform::beep();
        return commands_.subscribeToSource(address);
    }
    platform::systemLog(QStringLiteral("menu command not implemented!"));
}
