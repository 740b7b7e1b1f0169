// Settings of the wrong shape: feed records that are not dictionaries, values of
// the wrong types. Every reader of the feed list passes over what it cannot use,
// and keeps it: nothing the user had is dropped or rewritten.
#include "parser/FeedDictionaryForm.h"
#include "tests/feeds/FeedTestSupport.h"

#include <QAbstractItemModel>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QVariantList kJunk{QStringLiteral("http://127.0.0.1/just-a-text"), 42, QVariantList{1, 2}, QVariant(),
                         QVariantMap{{"url", QVariantList{"x"}}, {"enabled", QVariantMap{}}}};

} // namespace

TEST_F(PluginTest, FeedRecordsThatAreNotDictionariesAreKeptAndPassedOver) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("feed.xml"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(rss("<title>Good</title><ttl>7</ttl><item><title>One</title><guid>g1</guid></item>"));
    }
    const QString good = QUrl::fromLocalFile(path).toString();
    QVariantList feeds = kJunk;
    feeds.insert(2, record(good, QVariantList{3}, true));
    server.settings.insert("feeds", feeds);
    server.settings.insert("ignored", QVariantList{"not", "a", "dictionary"});
    server.settings.insert("titleLength", QVariantMap{{"x", 1}});
    server.settings.insert("useTTL", QVariantList{});
    NewsreelPlugin& p = setUpPlugin();
    const auto& ui = p.pane().outlets();
    p.preferences().setUseTTL(true);

    // Activation: one timer, for the one record that asks for it.
    p.activate();
    ASSERT_TRUE(waitForUpdates());
    ASSERT_EQ(timers()->size(), feeds.size());
    for (qsizetype i = 0; i < feeds.size(); ++i)
        EXPECT_EQ(bool(timers()->at(i)), i == 2) << i;
    ASSERT_EQ(server.onTicker().size(), 1);

    // The sign builder's time-to-live scan changed only the good record.
    ASSERT_TRUE(waitUntil([&] { return store().records().at(2).toMap().value("interval") == QVariant(7); }));
    auto junkKept = [&] {
        QVariantList rest = store().records();
        rest.removeIf([](const QVariant& v) {
            const QString url = v.toMap().value("url").toString();
            return url.startsWith("file:") || url == QLatin1String("http://127.0.0.1:9/new");
        });
        if (rest == kJunk) return QString();
        QString shown;
        for (const QVariant& v : rest)
            shown += v.toString() + u'|' + QString::fromLatin1(v.typeName()) + u' ';
        return shown;
    };
    EXPECT_EQ(junkKept(), QString());

    // Menu commands on the good feed.
    p.infoMenu().commands().setUpdateIntervalTo(good, QStringLiteral("9"));
    p.infoMenu().commands().dontShowAgain(good, 0, itemOfDictionary({{"guid", "g1"}, {"title", "One"}}));
    p.infoMenu().commands().subscribeToSource(QStringLiteral("http://127.0.0.1:9/new"));
    EXPECT_EQ(junkKept(), QString());

    // The preferences table shows every row, junk as blanks, and edits the good one.
    p.willSelect();
    QAbstractItemModel* model = ui.feedTable->model();
    ASSERT_EQ(model->rowCount(), store().count());
    const QStringList columns = ui.feedTable->property("columnIdentifiers").toStringList();
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            for (int role :
                 {int(Qt::DisplayRole), int(Qt::EditRole), int(Qt::CheckStateRole), int(Qt::ToolTipRole)})
                model->data(model->index(row, column), role);
    model->setData(model->index(2, int(columns.indexOf("interval"))), 15, Qt::EditRole);
    EXPECT_EQ(store().records().at(2).toMap().value("interval"), QVariant(15));
    p.willUnselect();
    EXPECT_EQ(junkKept(), QString());

    p.infoMenu().commands().unsubscribeFromFeed(good);
    EXPECT_EQ(junkKept(), QString());

    // Deactivation passes over them too, and the update lock is free.
    ASSERT_TRUE(waitForUpdates());
    p.deactivate();
    EXPECT_TRUE(server.onTicker().isEmpty());
    EXPECT_FALSE(p.feedUpdater().updateLock().isHeld());
}
