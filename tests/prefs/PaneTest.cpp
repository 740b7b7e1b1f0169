// The preferences pane: holding the plug-in while shown, its controls, and the feed table.
#include "tests/support/PluginFixture.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

using Pane = PluginTest;

namespace {
int column(QTableView* table, const QString& key) {
    return int(table->property("columnIdentifiers").toStringList().indexOf(key));
}
} // namespace

TEST_F(Pane, ShowingHoldsAnActivePluginAndHidingStoresAndRestarts) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/a.xml", 30, true),
                                                 record("file:///nowhere/b.xml", 30, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.activate();
    ASSERT_TRUE(waitForUpdates());
    ASSERT_TRUE(publishSigns("file:///nowhere/a.xml", {std::make_shared<PNTextTickerSign>()}));
    auto timer = p.feedSchedule().timers()->at(0);
    p.willSelect();
    EXPECT_TRUE(p.isActive()) << "held for the pane";
    EXPECT_FALSE(p.feedSchedule().timers().has_value());
    EXPECT_FALSE(timer->isValid());
    ASSERT_EQ(server.calls().size(), 1);
    EXPECT_EQ(server.calls().first().kind, RecordingServer::Call::Remove);

    p.pane().addFeedToTable(nullptr);
    const int before = int(recorder->logLines().filter("adding timer").size());
    p.willUnselect();
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 3) << "the edited list is stored";
    ASSERT_TRUE(p.feedSchedule().timers().has_value());
    EXPECT_EQ(p.feedSchedule().timers()->size(), 3);
    // The new row has no address yet: it is not fetched.
    EXPECT_EQ(recorder->logLines().filter("adding timer").size(), before + 2)
        << "every enabled feed with an address again";
    EXPECT_TRUE(waitForUpdates());
}

TEST_F(Pane, UseTTLCheckBoxSetsTheSettingAndHidingWhileInactiveOnlyStoresTheList) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/a.xml", 30, true)});
    server.settings.insert("useTTL", false);
    NewsreelPlugin& p = setUpPlugin();
    const auto& ui = p.pane().outlets();
    p.willSelect();
    EXPECT_EQ(ui.useTTLCheckBox->checkState(), Qt::Unchecked);
    ui.useTTLCheckBox->click();
    EXPECT_TRUE(p.preferences().useTTL());
    EXPECT_EQ(server.settings.value("useTTL"), QVariant(true));
    // A mixed state changes nothing.
    ui.useTTLCheckBox->setTristate(true);
    for (const auto& [state, stored] : {std::pair{Qt::PartiallyChecked, true}, {Qt::Unchecked, false}}) {
        ui.useTTLCheckBox->setCheckState(state);
        p.pane().changeUseTTL(ui.useTTLCheckBox);
        EXPECT_EQ(p.preferences().useTTL(), stored);
        EXPECT_EQ(server.settings.value("useTTL"), QVariant(stored));
    }

    p.pane().addFeedToTable(nullptr);
    p.willUnselect();
    EXPECT_FALSE(p.isActive());
    EXPECT_FALSE(p.feedSchedule().timers().has_value());
    EXPECT_TRUE(recorder->logLines().filter("adding timer").isEmpty());
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2);
}

TEST_F(Pane, TitleLengthFromTheControlsWithinTheirRange) {
    NewsreelPlugin& p = setUpPlugin();
    const auto& ui = p.pane().outlets();
    p.willSelect();
    EXPECT_EQ(ui.titleLengthText->text(), QStringLiteral("30"));
    EXPECT_EQ(ui.titleLengthStepper->value(), 30);
    const auto type = [&](const QString& text) {
        ui.titleLengthText->setText(text);
        emit ui.titleLengthText->editingFinished();
    };
    type("45");
    EXPECT_EQ(p.preferences().titleLength(), 45);
    EXPECT_EQ(ui.titleLengthText->text(), QStringLiteral("45"));
    EXPECT_EQ(server.settings.value("titleLength"), QVariant(45));
    EXPECT_EQ(ui.titleLengthStepper->value(), 30) << "the stepper keeps its own value";

    ui.titleLengthStepper->setValue(31);
    EXPECT_EQ(p.preferences().titleLength(), 31);
    EXPECT_EQ(ui.titleLengthText->text(), QStringLiteral("31"));

    // Below 3 a title cannot be shortened with "...": the field refuses it.
    type("2");
    EXPECT_EQ(p.preferences().titleLength(), 31);
    EXPECT_EQ(server.settings.value("titleLength"), QVariant(31));
    EXPECT_EQ(ui.titleLengthText->text(), QStringLiteral("31"));
    ui.titleLengthStepper->setValue(1);
    EXPECT_EQ(p.preferences().titleLength(), 3);
}

TEST_F(Pane, ResetEmptiesEveryFeedsMarkersAndSharesTheTable) {
    server.settings.insert(
        "ignored", QVariantMap{{"http://a/", QVariantList{"g1"}}, {"http://b/", QVariantList{"g2", "g3"}}});
    NewsreelPlugin& p = setUpPlugin();
    p.pane().resetBlockedItems(nullptr);
    EXPECT_TRUE(store().hiddenItemsByFeed().isEmpty());
    EXPECT_EQ(server.settings.value("ignored").toMap(), QVariantMap());
    // The table is now the settings' own: a later change is written there too.
    store().hideItem("http://a/", "g9", QString());
    store().hiddenItemsDidChange(p.preferences());
    EXPECT_EQ(server.settings.value("ignored").toMap().value("http://a/").toList(), QVariantList{"g9"});
}

TEST_F(Pane, FeedTableAddSelectEditRemove) {
    server.settings.insert("feeds",
                           QVariantList{record("http://a/", 30, true), record("http://b/", 30, false)});
    NewsreelPlugin& p = setUpPlugin();
    const auto& ui = p.pane().outlets();
    p.willSelect();
    QTableView* table = ui.feedTable;
    QAbstractItemModel* model = table->model();
    ASSERT_NE(model, nullptr);
    const auto cell = [&](int row, const char* key) { return model->index(row, column(table, key)); };
    EXPECT_FALSE(ui.removeFeedButton->isEnabled());

    table->selectRow(1);
    EXPECT_TRUE(ui.removeFeedButton->isEnabled());
    EXPECT_TRUE(recorder->logLines().contains("selection changed"));

    ui.addFeedButton->click();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(store().records().at(2).toMap(),
              (QVariantMap{{"url", "http://"}, {"interval", 60}, {"enabled", true}}));
    EXPECT_TRUE(ui.removeFeedButton->isEnabled()) << "adding keeps the selection";
    EXPECT_EQ(table->selectionModel()->selectedRows().value(0).row(), 1);

    const QVariantMap shared = store().records().at(0).toMap();
    restartRecorder();
    model->setData(cell(0, "url"), QStringLiteral(" example.org/15 "), Qt::EditRole);
    EXPECT_EQ(recorder->logLines(), QStringList{"set value to  example.org/15 "});
    EXPECT_EQ(store().records().at(0).toMap().value("url"),
              QVariant(QStringLiteral("https://example.org/15")))
        << "an address typed without a scheme is read as https";
    EXPECT_EQ(server.settings.value("feeds").toList().at(0).toMap(), shared)
        << "the settings keep their record";
    // What is no URL at all (the typed-address rule, tested on its own) leaves the
    // cell as it was, with a beep; the placeholder of a new row may stay as it is.
    for (const char* typed : {"my feed", "javascript:x", ""}) {
        const int beeps = recorder->beeps();
        model->setData(cell(0, "url"), QString::fromUtf8(typed), Qt::EditRole);
        EXPECT_EQ(recorder->beeps(), beeps + 1) << typed;
        EXPECT_EQ(model->data(cell(0, "url"), Qt::DisplayRole), QVariant("https://example.org/15"));
    }
    const int beeps = recorder->beeps();
    model->setData(cell(2, "url"), QStringLiteral("http://"), Qt::EditRole);
    EXPECT_EQ(store().records().at(2).toMap().value("url"), QVariant("http://"));
    EXPECT_EQ(recorder->beeps(), beeps);
    model->setData(cell(1, "enabled"), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(store().records().at(1).toMap().value("enabled"), QVariant(true));
    model->setData(cell(1, "interval"), 15, Qt::EditRole);
    EXPECT_EQ(store().records().at(1).toMap().value("interval"), QVariant(15));

    // Asking for a cell writes one "get value"; the row count is not asked on every repaint.
    restartRecorder();
    EXPECT_EQ(model->data(cell(0, "interval"), Qt::DisplayRole), QVariant(30));
    model->data(cell(0, "interval"), Qt::ToolTipRole);
    model->rowCount();
    EXPECT_EQ(recorder->logLines(), QStringList{"get value"});

    table->selectRow(2);
    ui.removeFeedButton->click();
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(store().records().at(0).toMap().value("url"), QVariant("https://example.org/15"));
    EXPECT_EQ(store().records().at(1).toMap().value("url"), QVariant("http://b/"));
    // The table picks the row that takes the removed one's place; the button agrees.
    EXPECT_EQ(ui.removeFeedButton->isEnabled(), table->selectionModel()->hasSelection());

    restartRecorder();
    table->selectionModel()->clearSelection();
    p.pane().removeFeedFromTable(nullptr);
    EXPECT_EQ(store().count(), 2);
    EXPECT_TRUE(recorder->logLines().contains("remove feed"));
}

// The commands, the time-to-live and earlier edits store intervals the old
// whole-minute box clamped: opening a cell shows them as they are, and leaving
// it without a change writes nothing.
TEST_F(Pane, IntervalCellsShowWhatIsStoredAndWriteOnlyEdits) {
    server.settings.insert("feeds",
                           QVariantList{record("http://a/", 0.5, true), record("http://b/", 20000, true),
                                        record("http://c/", QStringLiteral("15"), true),
                                        record("http://d/", 60, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.willSelect();
    QTableView* table = p.pane().outlets().feedTable;
    QAbstractItemModel* model = table->model();
    const int interval = column(table, "interval");
    QAbstractItemDelegate* delegate = table->itemDelegateForColumn(interval);
    ASSERT_TRUE(delegate);
    const QVariantList before = store().records();
    const auto open = [&](int row) {
        auto* editor = qobject_cast<QDoubleSpinBox*>(
            delegate->createEditor(table->viewport(), QStyleOptionViewItem(), model->index(row, interval)));
        delegate->setEditorData(editor, model->index(row, interval));
        return std::unique_ptr<QDoubleSpinBox>(editor);
    };
    restartRecorder();
    const QStringList shown{"0.5 min", "20000 min", "15 min", "60 min"};
    for (int row = 0; row < 4; ++row) {
        const auto editor = open(row);
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->text(), shown[row]);
        delegate->setModelData(editor.get(), model, model->index(row, interval));
    }
    EXPECT_EQ(store().records(), before);
    EXPECT_TRUE(recorder->logLines().filter("set value").isEmpty());

    // Edited, a fraction stays a fraction and a whole number is a whole number.
    for (const auto& [row, value, stored] : {std::tuple{0, 2.5, QVariant(2.5)}, {1, 45.0, QVariant(45)}}) {
        const auto editor = open(row);
        editor->setValue(value);
        delegate->setModelData(editor.get(), model, model->index(row, interval));
        EXPECT_EQ(store().records().at(row).toMap().value("interval"), stored);
    }
}
