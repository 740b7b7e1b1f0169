#include "menu/InfoMenuController.h"

#include "core/FeedStore.h"
#include "core/ItemAction.h"
#include "core/PluginPreferences.h"
#include "core/TitleShortening.h"
#include "menu/MenuEntryUpdater.h"
#include "menu/MenuText.h"
#include "menu/SafeOpener.h"
#include "menu/SubmenuLookup.h"
#include "parser/ItemFields.h"
#include "parser/ItemHeadline.h"
#include "platform/AlertSound.h"
#include "platform/ContextMenu.h"
#include "platform/Values.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <functional>

namespace {

// Shows text on a title entry by the shortening rule; a shortened text leaves
// the whole of it as the tool tip. A whole one clears it: a tool tip left from an
// earlier click would name another item.
void setShortenedTitle(QAction* entry, const QString& text, int titleLength) {
    bool shortened = false;
    entry->setText(literalMenuTitle(shortenedTitle(text, titleLength, &shortened)));
    entry->setToolTip(shortened ? plainToolTip(text) : QString());
}

// One row of a submenu: its entry (null: the fixed separator between the
// commands and the values), the key it shows, and the prefix of a value's title
// (the interface file's text, so translated as the file is).
struct Row {
    QAction* entry;
    QString key;
    const char* prefix;
};

// Puts each row's entry in place when the dictionary has its key; include may
// leave an entry out whatever the dictionary holds.
template <typename ItemOrChannel>
void updateRows(QMenu* menu, const ItemOrChannel& dictionary, std::initializer_list<Row> rows,
                const std::function<bool(QAction*)>& include) {
    if (!menu) return;
    int place = 0;
    for (const Row& row : rows) {
        if (!row.entry) {
            ++place;
            continue;
        }
        if (!include(row.entry)) {
            menu->removeAction(row.entry);
            continue;
        }
        const QString prefix =
            row.prefix ? QCoreApplication::translate("NewsreelPane", row.prefix) : QString();
        if (updateMenuItem(row.entry, menu, place, dictionary, row.key, row.prefix ? &prefix : nullptr))
            ++place;
    }
}

} // namespace

// What a click named, looked up in the store.
struct InfoMenuController::Click {
    int index = -1;
    QString feedURL;
    FeedItem item;
    FeedChannel channel;
};

InfoMenuController::InfoMenuController(FeedStore& store, FeedSchedule& schedule,
                                       PluginPreferences& preferences, BundleSource bundle)
    : store_(store), preferences_(preferences), part_(bundle, {QStringLiteral("infoMenu")}),
      commands_(store, schedule, preferences), description_(bundle) {}

InfoMenuController::~InfoMenuController() {
    heldMenuItems_.clear();
}

bool InfoMenuController::load() {
    if (part_.attempted()) return part_.isLoaded();
    using platform::bindTo;
    Outlets& o = outlets_;
    const QList<platform::Bundle::Outlet> table = {
        {QStringLiteral("infoMenu"), bindTo(o.infoMenu)},
        {QStringLiteral("itemTitleItem"), bindTo(o.itemTitleItem)},
        {QStringLiteral("feedTitleItem"), bindTo(o.feedTitleItem)},
        {QStringLiteral("closeItem"), bindTo(o.closeItem)},
        {QStringLiteral("copyrightItem"), bindTo(o.copyrightItem)},
        {QStringLiteral("downloadEnclosureItem"), bindTo(o.downloadEnclosureItem)},
        {QStringLiteral("emailAuthorItem"), bindTo(o.emailAuthorItem)},
        {QStringLiteral("emailManagingEditorItem"), bindTo(o.emailManagingEditorItem)},
        {QStringLiteral("emailWebmasterItem"), bindTo(o.emailWebmasterItem)},
        {QStringLiteral("feedCategoryItem"), bindTo(o.feedCategoryItem)},
        {QStringLiteral("feedPublicationDateItem"), bindTo(o.feedPublicationDateItem)},
        {QStringLiteral("generatorItem"), bindTo(o.generatorItem)},
        {QStringLiteral("itemCategoryItem"), bindTo(o.itemCategoryItem)},
        {QStringLiteral("itemPublicationDateItem"), bindTo(o.itemPublicationDateItem)},
        {QStringLiteral("languageItem"), bindTo(o.languageItem)},
        {QStringLiteral("lastBuildDateItem"), bindTo(o.lastBuildDateItem)},
        {QStringLiteral("openCommentsPageItem"), bindTo(o.openCommentsPageItem)},
        {QStringLiteral("openItemLinkInBrowserItem"), bindTo(o.openItemLinkInBrowserItem)},
        {QStringLiteral("openFeedLinkInBrowserItem"), bindTo(o.openFeedLinkInBrowserItem)},
        {QStringLiteral("showFullFeedDescriptionItem"), bindTo(o.showFullFeedDescriptionItem)},
        {QStringLiteral("showFullItemDescriptionItem"), bindTo(o.showFullItemDescriptionItem)},
        {QStringLiteral("sourceItem"), bindTo(o.sourceItem)},
        {QStringLiteral("subscribeToSourceItem"), bindTo(o.subscribeToSourceItem)},
        {QStringLiteral("unsubscribeFromFeedItem"), bindTo(o.unsubscribeFromFeedItem)},
        {QStringLiteral("setUpdateIntervalToItem"), bindTo(o.setUpdateIntervalToItem)},
        {QStringLiteral("dontShowAgainItem"), bindTo(o.dontShowAgainItem)},
    };
    if (!part_.load(this, table)) return false;
    // The entries a click may take out of a menu; out of its menu an entry must
    // live on, so the root owns it.
    for (QAction* item : {o.copyrightItem,
                          o.downloadEnclosureItem,
                          o.emailAuthorItem,
                          o.emailManagingEditorItem,
                          o.emailWebmasterItem,
                          o.feedCategoryItem,
                          o.feedPublicationDateItem,
                          o.generatorItem,
                          o.itemCategoryItem,
                          o.itemPublicationDateItem,
                          o.itemTitleItem,
                          o.languageItem,
                          o.lastBuildDateItem,
                          o.openCommentsPageItem,
                          o.openItemLinkInBrowserItem,
                          o.openFeedLinkInBrowserItem,
                          o.showFullFeedDescriptionItem,
                          o.showFullItemDescriptionItem,
                          o.sourceItem,
                          o.subscribeToSourceItem,
                          o.unsubscribeFromFeedItem,
                          o.setUpdateIntervalToItem,
                          o.dontShowAgainItem}) {
        item->setParent(part_.root());
        heldMenuItems_.append(item);
    }
    return true;
}

std::optional<InfoMenuController::Click> InfoMenuController::clickFor(const QString& action) const {
    // A click that names nothing current (a malformed string, a feed or item an
    // update has since dropped) names nothing.
    const std::optional<ItemActionParts> parts = itemActionParts(action);
    if (!parts) return std::nullopt;
    Click click;
    click.index = parts->index;
    click.feedURL = parts->feedURL;
    const std::optional<FeedDictionary> feed = store_.feed(click.feedURL);
    if (!feed || !feed->items || click.index < 0 || click.index >= feed->items->size()) return std::nullopt;
    click.item = feed->items->at(click.index);
    click.channel = feed->channel.value_or(FeedChannel());
    return click;
}

void InfoMenuController::performAction(const QString& action) {
    // Nothing current pops up nothing and leaves the menu as it was.
    const std::optional<Click> click = clickFor(action);
    if (!click || !load()) return;
    showClick(*click);
    updateItemInfo(click->item);
    updateFeedInfo(click->channel);
    PNTickerServer* s = preferences_.server();
    platform::popUpContextMenu(outlets_.infoMenu, s ? s->tickerView() : nullptr);
}

bool InfoMenuController::openItemLink(const QString& action) {
    const std::optional<Click> click = clickFor(action);
    const std::optional<QString> link = click ? fieldText(click->item.link) : std::nullopt;
    if (!link) {
        platform::beep();
        return false;
    }
    return openWebLink(*link);
}

void InfoMenuController::showClick(const Click& click) {
    const Outlets& o = outlets_;
    o.infoMenu->setToolTipsVisible(true);
    o.itemTitleItem->setData(click.index);
    clickedItem_ = click.item;
    o.feedTitleItem->setData(click.feedURL);

    const int length = preferences_.titleLength();
    setShortenedTitle(o.itemTitleItem, itemHeadline(click.item), length);
    setShortenedTitle(o.feedTitleItem, channelTitle(click.channel), length);

    // An item is hidden by its guid's text: a guid without text (attributes
    // only) gives nothing the next update could match, so the entry is not offered.
    const bool hideable = click.item.guid.hasText();
    updateMenuItem(o.dontShowAgainItem, o.infoMenu, 6, hideable ? MenuValue{&click.item.guid} : MenuValue(),
                   nullptr);
}

void InfoMenuController::updateItemInfo(const FeedItem& item) {
    const Outlets& o = outlets_;
    const bool sourceHasURL = item.source.attribute(itemkeys::kURL).has_value();
    updateRows(submenuTitled(o.infoMenu, QCoreApplication::translate("NewsreelPane", "Item Info")), item,
               {{o.showFullItemDescriptionItem, itemkeys::kDescription, nullptr},
                {o.openItemLinkInBrowserItem, itemkeys::kLink, nullptr},
                {o.emailAuthorItem, itemkeys::kAuthor, nullptr},
                {o.openCommentsPageItem, itemkeys::kComments, nullptr},
                {o.downloadEnclosureItem, itemkeys::kEnclosure, nullptr},
                {o.subscribeToSourceItem, itemkeys::kSource, nullptr},
                {nullptr, {}, nullptr},
                {o.itemPublicationDateItem, itemkeys::kPubDate,
                 QT_TRANSLATE_NOOP("NewsreelPane", "Publication Date: ")},
                {o.sourceItem, itemkeys::kSource, QT_TRANSLATE_NOOP("NewsreelPane", "Source: ")},
                {o.itemCategoryItem, itemkeys::kCategories, QT_TRANSLATE_NOOP("NewsreelPane", "Category: ")}},
               [&](QAction* entry) { return entry != o.subscribeToSourceItem || sourceHasURL; });
}

void InfoMenuController::updateFeedInfo(const FeedChannel& channel) {
    const Outlets& o = outlets_;
    const bool adoptsTTL = preferences_.useTTL();
    updateRows(submenuTitled(o.infoMenu, QCoreApplication::translate("NewsreelPane", "Feed Info")), channel,
               {{o.showFullFeedDescriptionItem, itemkeys::kDescription, nullptr},
                {o.openFeedLinkInBrowserItem, itemkeys::kLink, nullptr},
                {o.setUpdateIntervalToItem, itemkeys::kTTL,
                 QT_TRANSLATE_NOOP("NewsreelPane", "Set Update Interval to ")},
                {o.emailManagingEditorItem, itemkeys::kManagingEditor, nullptr},
                {o.emailWebmasterItem, itemkeys::kWebMaster, nullptr},
                {nullptr, {}, nullptr},
                {o.languageItem, itemkeys::kLanguage, QT_TRANSLATE_NOOP("NewsreelPane", "Language: ")},
                {o.copyrightItem, itemkeys::kCopyright, QT_TRANSLATE_NOOP("NewsreelPane", "Copyright: ")},
                {o.feedPublicationDateItem, itemkeys::kPubDate,
                 QT_TRANSLATE_NOOP("NewsreelPane", "Publication Date: ")},
                {o.lastBuildDateItem, itemkeys::kLastBuildDate,
                 QT_TRANSLATE_NOOP("NewsreelPane", "Last Build Date: ")},
                {o.feedCategoryItem, itemkeys::kCategories, QT_TRANSLATE_NOOP("NewsreelPane", "Category: ")},
                {o.generatorItem, itemkeys::kGenerator, QT_TRANSLATE_NOOP("NewsreelPane", "Generator: ")}},
               [&](QAction* entry) { return entry != o.setUpdateIntervalToItem || !adoptsTTL; });
}
