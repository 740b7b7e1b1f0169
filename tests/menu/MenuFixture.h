#pragma once
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
        ASSERT_TRUE(plugin->infoMenu) << plugin->interfaceError.toStdString();
        plugin->topDictionary.emplace();
        platform::setContextMenuPresenter([this](QMenu* menu, QWidget*) {
            ++popUps;
            poppedUp = menu;
        });
    }

    void addFeed(const QString& url, const QVariantMap& channel, const QVariantList& items,
                 const QList<PNSignRef>& tickers = {}) {
        std::lock_guard lock(plugin->dataMutex);
        FeedDictionary& feed = (*plugin->topDictionary)[url];
        feed.channel = channel;
        feed.items = items;
        feed.tickers = tickers;
    }

    // A text sign as the sign builder posts it, already on the ticker.
    PNSignRef postedSign(const QString& action) {
        auto sign = std::make_shared<PNTextTickerSign>();
        sign->setActionType(PNPennantActionTypeCustom);
        sign->setActionString(action);
        server.addSign(sign, plugin.get());
        return sign;
    }

    void click(int index, const QString& url) { plugin->performAction(QString::number(index) + u',' + url); }

    QMenu* itemInfo() const { return submenu(QStringLiteral("Item Info")); }
    QMenu* feedInfo() const { return submenu(QStringLiteral("Feed Info")); }
    QMenu* submenu(const QString& title) const {
        for (QAction* entry : plugin->infoMenu->actions())
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
