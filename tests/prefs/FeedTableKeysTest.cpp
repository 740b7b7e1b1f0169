// The feed table as a user drives it on screen: typing a new address, the keys
// that remove rows and leave the table, and the address column's width.
#include "tests/support/PluginFixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

namespace {

class FeedTableOnScreen : public PluginTest {
  protected:
    NewsreelPlugin& showPane(const QStringList& urls) {
        QVariantList feeds;
        for (const QString& url : urls)
            feeds.append(record(url, 30, true));
        server.settings.insert("feeds", feeds);
        NewsreelPlugin& p = setUpPlugin();
        p.willSelect();
        // Shown in a window of its own, as the host's preferences window shows it.
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(p.pane().outlets().prefPaneView);
        window->resize(700, 400);
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(waitUntil([this] { return window->isActiveWindow(); }));
        return p;
    }
    void TearDown() override {
        // The view is the plug-in's: it goes back before the window goes.
        if (plugin && plugin->pane().outlets().prefPaneView) plugin->pane().outlets().prefPaneView->setParent(nullptr);
        window.reset();
        PluginTest::TearDown();
    }
    QStringList urls() const {
        QStringList list;
        for (const QVariant& f : plugin->feedStore().records())
            list << f.toMap().value("url").toString();
        return list;
    }
    void selectRows(const QList<int>& rows) {
        QTableView* table = plugin->pane().outlets().feedTable;
        table->clearSelection();
        for (int row : rows)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->setFocus();
    }
    int addressColumn() const {
        return int(plugin->pane().outlets().feedTable->property("columnIdentifiers").toStringList().indexOf("url"));
    }
    std::unique_ptr<QWidget> window;
};

} // namespace

TEST_F(FeedTableOnScreen, PlusOpensTheNewAddressForTypingAndItsTipIsTheWholeAddress) {
    NewsreelPlugin& p = showPane({"http://127.0.0.1/a.xml"});
    p.pane().outlets().addFeedButton->click();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("http://")) << "typing replaces the placeholder";
    const QString typed = QStringLiteral("https://127.0.0.1:28080/a/rather/long/path/to/the/news/feed.xml");
    QTest::keyClicks(editor, typed);
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return urls() == QStringList{"http://127.0.0.1/a.xml", typed}; }));
    EXPECT_EQ(p.pane().outlets().feedTable->selectionModel()->selectedRows().value(0).row(), 1);
    const QModelIndex cell = p.pane().outlets().feedTable->model()->index(1, addressColumn());
    EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), typed);
}

TEST_F(FeedTableOnScreen, DeleteAndBackspaceRemoveTheSelectedRowsAndTabLeavesTheTable) {
    NewsreelPlugin& p =
        showPane({"http://127.0.0.1/a", "http://127.0.0.1/b", "http://127.0.0.1/c", "http://127.0.0.1/d"});
    selectRows({0, 2});
    restartRecorder();
    QTest::keyClick(p.pane().outlets().feedTable, Qt::Key_Delete);
    EXPECT_EQ(urls(), (QStringList{"http://127.0.0.1/b", "http://127.0.0.1/d"}));
    EXPECT_EQ(recorder->logLines().filter("remove feed").size(), 1);
    selectRows({1});
    QTest::keyClick(p.pane().outlets().feedTable, Qt::Key_Backspace);
    EXPECT_EQ(urls(), QStringList{"http://127.0.0.1/b"});

    // Inside an open cell the keys edit the text; nothing is removed.
    selectRows({0});
    p.pane().outlets().feedTable->edit(p.pane().outlets().feedTable->model()->index(0, addressColumn()));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return urls() == QStringList{"http://127.0.0.1/"}; }))
        << urls().join(' ').toStdString();

    p.pane().outlets().feedTable->setFocus();
    QTest::keyClick(p.pane().outlets().feedTable, Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus && focus != p.pane().outlets().feedTable && !p.pane().outlets().feedTable->isAncestorOf(focus));
}

TEST_F(FeedTableOnScreen, AddressColumnTakesTheSpareWidth) {
    NewsreelPlugin& p = showPane({"http://127.0.0.1/a"});
    const int column = addressColumn();
    const int before = p.pane().outlets().feedTable->columnWidth(column);
    const int others = p.pane().outlets().feedTable->horizontalHeader()->length() - before;
    window->resize(window->width() + 300, window->height());
    ASSERT_TRUE(waitUntil([&] { return p.pane().outlets().feedTable->columnWidth(column) >= before + 300; }));
    EXPECT_EQ(p.pane().outlets().feedTable->horizontalHeader()->length() - p.pane().outlets().feedTable->columnWidth(column), others);
}
