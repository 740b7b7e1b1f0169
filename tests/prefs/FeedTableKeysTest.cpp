// The feed table as a user drives it on screen: typing a new address, the keys
// that remove rows and leave the table, and the address column's width.
#include "tests/support/PluginFixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

namespace {

class FeedTableOnScreen : public PluginTest {
  protected:
    void showPane(const QStringList& urls) {
        QVariantList feeds;
        for (const QString& url : urls)
            feeds.append(record(url, 30, true));
        server.settings.insert("feeds", feeds);
        setUpPlugin().willSelect();
        // Shown in a window of its own, as the host's preferences window shows it.
        window = std::make_unique<QWidget>();
        (new QVBoxLayout(window.get()))->addWidget(ui().prefPaneView);
        window->resize(700, 400);
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(waitUntil([this] { return window->isActiveWindow(); }));
    }
    void TearDown() override {
        // The view is the plug-in's: it goes back before the window goes.
        if (plugin && ui().prefPaneView) ui().prefPaneView->setParent(nullptr);
        window.reset();
        PluginTest::TearDown();
    }
    QStringList urls() {
        QStringList list;
        for (const QVariant& f : store().records())
            list << f.toMap().value("url").toString();
        return list;
    }
    void selectRows(const QList<int>& rows) {
        table()->clearSelection();
        for (int row : rows)
            table()->selectionModel()->select(table()->model()->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table()->setFocus();
    }
    const PaneController::Outlets& ui() const { return plugin->pane().outlets(); }
    QTableView* table() const { return ui().feedTable; }
    int addressColumn() const {
        return int(table()->property("columnIdentifiers").toStringList().indexOf("url"));
    }
    // The line editor that has the focus.
    static QLineEdit* editor() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    std::unique_ptr<QWidget> window;
};

} // namespace

TEST_F(FeedTableOnScreen, AddressColumnTakesTheSpareWidthAndPlusOpensTheNewAddressForTyping) {
    showPane({"http://127.0.0.1/a.xml"});
    const int column = addressColumn();
    const int before = table()->columnWidth(column);
    const int others = table()->horizontalHeader()->length() - before;
    window->resize(window->width() + 300, window->height());
    ASSERT_TRUE(waitUntil([&] { return table()->columnWidth(column) >= before + 300; }));
    EXPECT_EQ(table()->horizontalHeader()->length() - table()->columnWidth(column), others);

    ui().addFeedButton->click();
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->selectedText(), QStringLiteral("http://")) << "typing replaces the placeholder";
    const QString typed = QStringLiteral("https://127.0.0.1:28080/a/rather/long/path/to/the/news/feed.xml");
    QTest::keyClicks(editor(), typed);
    QTest::keyClick(editor(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return urls() == QStringList{"http://127.0.0.1/a.xml", typed}; }));
    EXPECT_EQ(table()->selectionModel()->selectedRows().value(0).row(), 1);
    EXPECT_EQ(table()->model()->index(1, column).data(Qt::ToolTipRole).toString(), typed)
        << "the whole address";
}

TEST_F(FeedTableOnScreen, DeleteAndBackspaceRemoveTheSelectedRowsAndTabLeavesTheTable) {
    showPane({"http://127.0.0.1/a", "http://127.0.0.1/b", "http://127.0.0.1/c", "http://127.0.0.1/d"});
    selectRows({0, 2});
    restartRecorder();
    QTest::keyClick(table(), Qt::Key_Delete);
    EXPECT_EQ(urls(), (QStringList{"http://127.0.0.1/b", "http://127.0.0.1/d"}));
    EXPECT_EQ(recorder->logLines().filter("remove feed").size(), 1);
    selectRows({1});
    QTest::keyClick(table(), Qt::Key_Backspace);
    EXPECT_EQ(urls(), QStringList{"http://127.0.0.1/b"});

    // Inside an open cell the keys edit the text; nothing is removed.
    selectRows({0});
    table()->edit(table()->model()->index(0, addressColumn()));
    ASSERT_NE(editor(), nullptr);
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Backspace, Qt::Key_Return})
        QTest::keyClick(editor(), key);
    EXPECT_TRUE(waitUntil([&] { return urls() == QStringList{"http://127.0.0.1/"}; }))
        << urls().join(' ').toStdString();

    table()->setFocus();
    QTest::keyClick(table(), Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus && focus != table() && !table()->isAncestorOf(focus));
}

// What is not an address is not stored: the table says why under it and hands the
// text back in its cell for correcting.
TEST_F(FeedTableOnScreen, ARefusedAddressSaysWhyAndComesBackForCorrecting) {
    showPane({"http://127.0.0.1/a.xml"});
    ui().addFeedButton->click();
    QLineEdit* first = editor();
    ASSERT_NE(first, nullptr);
    QTest::keyClicks(first, QStringLiteral("hello world"));
    QTest::keyClick(first, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !ui().feedListReportLabel->text().isEmpty(); }));
    ASSERT_TRUE(waitUntil([&] {
        return editor() && editor() != first && editor()->text() == QStringLiteral("hello world");
    })) << "the typed text is open again in its cell";
    EXPECT_EQ(table()->currentIndex().row(), 1);
    EXPECT_EQ(ui().feedListReportLabel->text(),
              QStringLiteral("\"hello world\" is not a feed address: an address holds no spaces"));
    EXPECT_EQ(urls(), (QStringList{"http://127.0.0.1/a.xml", "http://"})) << "nothing stored";
    EXPECT_EQ(recorder->beeps(), 1);

    // Corrected, it is taken and the message goes.
    editor()->setText(QStringLiteral("127.0.0.1/b.xml"));
    QTest::keyClick(editor(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return editor() == nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return urls().value(1) == QStringLiteral("https://127.0.0.1/b.xml"); }));
    EXPECT_TRUE(ui().feedListReportLabel->text().isEmpty());
    // A row with no address yet says so in its Status cell.
    ui().addFeedButton->click();
    ASSERT_NE(editor(), nullptr);
    QTest::keyClick(editor(), Qt::Key_Escape);
    const int status = int(table()->property("columnIdentifiers").toStringList().indexOf("status"));
    ASSERT_GE(status, 0);
    EXPECT_EQ(table()->model()->index(2, status).data().toString(), QStringLiteral("no address yet"));
}
