#pragma once
#include "core/ItemAction.h"
#include "menu/MenuEntryUpdater.h"
#include "parser/FeedDictionaryForm.h"
#include "platform/ContextMenu.h"
#include "tests/support/PluginFixture.h"

#include <QAction>
#include <QMenu>

// A set-up plug-in whose feed dictionaries the test fills by hand, with the
// pop-ups counted instead of shown.
class MenuTest : public PluginTest {
  protected:
    void SetUp() override {
        PluginTest::SetUp();
        setUpPlugin();
        ASSERT_TRUE(plugin->infoMenu().load()) << plugin->infoMenu().loadError().toStdString();
        platform::setContextMenuPresenter([this](QMenu* menu, QWidget*) {
            ++popUps;
            poppedUp = menu;
        });
    }

    void addFeed(const QString& url, const QVariantMap& channel, const QVariantList& items,
                 const QList<PNSignRef>& tickers = {}) {
        // Published as an update would; a feed the test does not list is listed
        // for the moment, so its signs are recorded.
        const bool listed = store().isListed(url);
        if (!listed) store().append(record(url, 60, true));
        store().prepareEntry(url, nullptr);
        FeedDictionary feed;
        feed.channel = channelOfDictionary(channel);
        feed.items = itemsOfDictionaries(items);
        feed.tickers = tickers;
        store().publish(url, std::move(feed), false, nullptr);
        if (!listed) store().removeRows({int(store().count()) - 1});
    }

    // A text sign as the sign builder posts it, already on the ticker.
    PNSignRef postedSign(const QString& action) {
        auto sign = std::make_shared<PNTextTickerSign>();
        sign->setActionType(PNPennantActionTypeCustom);
        sign->setActionString(action);
        server.addSign(sign, plugin.get());
        return sign;
    }

    // The menu's and the description window's outlets (the window loaded first).
    const InfoMenuController::Outlets& menu() const { return plugin->infoMenu().outlets(); }
    const DescriptionWindow::Outlets& web() const {
        EXPECT_TRUE(plugin->infoMenu().descriptionWindow().load());
        return plugin->infoMenu().descriptionWindow().outlets();
    }

    // A click on the sign of item index, by the action string its sign carries.
    void click(int index, const QString& url) { plugin->performAction(itemActionString(index, url)); }

    QMenu* itemInfo() const { return submenu(QStringLiteral("Item Info")); }
    QMenu* feedInfo() const { return submenu(QStringLiteral("Feed Info")); }
    QMenu* submenu(const QString& title) const {
        for (QAction* entry : menu().infoMenu->actions())
            if (entry->text() == title) return entry->menu<QMenu*>();
        return nullptr;
    }

    // Object names in menu order; "-" for a separator.
    static QStringList names(const QMenu* menu) {
        QStringList result;
        for (QAction* entry : menu->actions())
            result << (entry->isSeparator() ? QStringLiteral("-") : entry->objectName());
        return result;
    }

    int popUps = 0;
    QMenu* poppedUp = nullptr;
};

inline QVariantMap attributes(std::initializer_list<std::pair<QString, QVariant>> pairs) {
    QVariantMap map;
    for (const auto& [key, value] : pairs)
        map.insert(key, value);
    return map;
}
