#include "core/NewsreelPlugin.h"

#include "core/TitleShortening.h"
#include "menu/FeedFields.h"
#include "menu/InfoMenu.h"
#include "menu/MenuText.h"
#include "platform/ContextMenu.h"
#include "platform/Values.h"

#include <QAction>
#include <QMenu>
#include <functional>

QMenu* submenuTitled(QMenu* menu, const QString& title) {
    if (!menu) return nullptr;
    for (QAction* entry : menu->actions())
        if (entry->text() == title && entry->menu<QMenu*>()) return entry->menu<QMenu*>();
    return nullptr;
}

namespace {

// Shows text on a title entry by the shortening rule; a shortened text leaves
// the whole of it as the tool tip. A whole one clears it: a tool tip left from an
// earlier click would name another item.
void setShortenedTitle(QAction* entry, const QString& text, int titleLength) {
    bool shortened = false;
    entry->setText(literalMenuTitle(shortenedTitle(text, titleLength, &shortened)));
    entry->setToolTip(shortened ? plainToolTip(text) : QString());
}

} // namespace

void NewsreelPlugin::performAction(const QString& action) {
    // A click that names nothing current (a malformed string, a feed or item an
    // update has since dropped) pops up nothing and leaves the menu as it was.
    const qsizetype comma = action.indexOf(u',');
    if (comma < 0) return;
    const int index = platform::intValueOfText(action.left(comma));
    const QString feedURL = action.mid(comma + 1);

    QVariantMap item;
    QVariantMap channel;
    {
        std::lock_guard lock(dataMutex);
        if (!topDictionary) return;
        const auto feed = topDictionary->constFind(feedURL);
        if (feed == topDictionary->constEnd() || !feed->items) return;
        if (index < 0 || index >= feed->items->size()) return;
        item = feed->items->at(index).toMap();
        if (feed->channel) channel = *feed->channel;
    }
    if (!infoMenu || !itemTitleItem || !feedTitleItem) return;
    infoMenu->setToolTipsVisible(true);

    itemTitleItem->setData(index);
    itemTitleItem->setProperty(kClickedItemProperty, item);
    feedTitleItem->setData(feedURL);

    const int length = titleLength.load();
    const QString titleKey =
        item.contains(QStringLiteral("title")) ? QStringLiteral("title") : QStringLiteral("description");
    setShortenedTitle(itemTitleItem, fieldText(item.value(titleKey)).value_or(QString()), length);
    setShortenedTitle(feedTitleItem, fieldText(channel.value(QStringLiteral("title"))).value_or(QString()),
                      length);

    // An item is hidden by its guid's text: a guid without text (attributes
    // only) gives nothing the next update could match, so the entry is not offered.
    const QString guidKey = QStringLiteral("guid");
    const bool hideable = fieldText(item.value(guidKey)).has_value();
    updateMenuItem(dontShowAgainItem, infoMenu, 6, hideable ? item : QVariantMap(), guidKey, nullptr);

    struct Row {
        QAction* entry; // null: the fixed entry between the two groups
        const char* key;
        const char* prefix;
    };
    const auto walk = [this](QMenu* menu, const QVariantMap& dictionary, std::initializer_list<Row> rows,
                             const std::function<std::optional<bool>(QAction*)>& special) {
        if (!menu) return;
        int p = 0;
        for (const Row& row : rows) {
            if (!row.entry) {
                ++p;
                continue;
            }
            if (const std::optional<bool> include = special(row.entry); include && !*include) {
                menu->removeAction(row.entry);
                continue;
            }
            const QString prefix = row.prefix ? QString::fromLatin1(row.prefix) : QString();
            if (updateMenuItem(row.entry, menu, p, dictionary, QString::fromLatin1(row.key),
                               row.prefix ? &prefix : nullptr))
                ++p;
        }
    };

    const QVariant source = item.value(QStringLiteral("source"));
    const bool sourceHasURL =
        platform::isDictionary(source) && source.toMap().contains(QStringLiteral("url"));
    walk(submenuTitled(infoMenu, QStringLiteral("Item Info")), item,
         {{showFullItemDescriptionItem, "description", nullptr},
          {openItemLinkInBrowserItem, "link", nullptr},
          {emailAuthorItem, "author", nullptr},
          {openCommentsPageItem, "comments", nullptr},
          {downloadEnclosureItem, "enclosure", nullptr},
          {subscribeToSourceItem, "source", nullptr},
          {nullptr, nullptr, nullptr},
          {itemPublicationDateItem, "pubDate", "Publication Date: "},
          {sourceItem, "source", "Source: "},
          {itemCategoryItem, "categories", "Category: "}},
         [&](QAction* entry) -> std::optional<bool> {
             if (entry == subscribeToSourceItem) return sourceHasURL;
             return std::nullopt;
         });

    const bool adoptsTTL = useTTL.load();
    walk(submenuTitled(infoMenu, QStringLiteral("Feed Info")), channel,
         {{showFullFeedDescriptionItem, "description", nullptr},
          {openFeedLinkInBrowserItem, "link", nullptr},
          {setUpdateIntervalToItem, "ttl", "Set Update Interval to "},
          {emailManagingEditorItem, "managingEditor", nullptr},
          {emailWebmasterItem, "webMaster", nullptr},
          {nullptr, nullptr, nullptr},
          {languageItem, "language", "Language: "},
          {copyrightItem, "copyright", "Copyright: "},
          {feedPublicationDateItem, "pubDate", "Publication Date: "},
          {lastBuildDateItem, "lastBuildDate", "Last Build Date: "},
          {feedCategoryItem, "categories", "Category: "},
          {generatorItem, "generator", "Generator: "}},
         [&](QAction* entry) -> std::optional<bool> {
             if (entry == setUpdateIntervalToItem) return !adoptsTTL;
             return std::nullopt;
         });

    PNTickerServer* s = server.load();
    platform::popUpContextMenu(infoMenu, s ? s->tickerView() : nullptr);
}
