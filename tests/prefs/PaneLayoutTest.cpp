// How the pane reads: the title length's field beside its stepper, a Status
// column wide enough for every state, a failed feed's tip saying when it is tried
// again, and the file dialog opening where the user's files are.
#include "platform/FileChooser.h"
#include "tests/support/PluginFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

using PaneLayout = PluginTest;

namespace {
int column(QTableView* table, const QString& key) {
    return int(table->property("columnIdentifiers").toStringList().indexOf(key));
}

// The pane on screen at the size it asks for, laid out.
QWidget* showPane(NewsreelPlugin& p) {
    QWidget* view = p.pane().mainView();
    view->resize(view->sizeHint().expandedTo(QSize(760, 440)));
    view->show();
    QApplication::processEvents();
    return view;
}
} // namespace

TEST_F(PaneLayout, TitleLengthFieldHoldsThreeDigitsRightBesideItsStepper) {
    NewsreelPlugin& p = setUpPlugin();
    p.willSelect();
    showPane(p);
    const auto& ui = p.pane().outlets();
    QLineEdit* field = ui.titleLengthText;
    field->setText(QStringLiteral("200"));
    const QRect text = field->contentsRect().marginsRemoved(field->textMargins());
    EXPECT_GE(text.width(), field->fontMetrics().horizontalAdvance(QStringLiteral("200")))
        << "the longest title length fits";
    const QRect f = field->geometry(), s = ui.titleLengthStepper->geometry();
    EXPECT_EQ(s.left(), f.right() + 1) << "no gap between field and stepper";
    EXPECT_LT(f.width(), field->fontMetrics().horizontalAdvance(QStringLiteral("0")) * 12)
        << "not a wide field for three digits";
    p.willUnselect();
}

TEST_F(PaneLayout, StatusColumnFitsEveryStateAndAFailedTipSaysWhenItIsTriedAgain) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/missing.xml", 30, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.activate();
    ASSERT_TRUE(waitForUpdates());
    QTableView* table = p.pane().mainView()->findChild<QTableView*>();
    ASSERT_NE(table, nullptr);
    const int status = column(table, "status");
    QFont bold = table->font();
    bold.setBold(true);
    EXPECT_GT(table->horizontalHeader()->sectionSize(status),
              QFontMetrics(bold).horizontalAdvance(QStringLiteral("not-modified")))
        << "\"not-modified\" is not cut";

    // Shown, the pane holds the feeds: they are tried when it is put away.
    p.willSelect();
    const QModelIndex cell = table->model()->index(0, status);
    ASSERT_EQ(cell.data().toString(), QStringLiteral("failed"));
    EXPECT_TRUE(cell.data(Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("Tried again: as soon as the preferences are closed")))
        << cell.data(Qt::ToolTipRole).toString().toStdString();
    p.willUnselect();
    ASSERT_TRUE(waitForUpdates());
    // Running, the feed's timer says when.
    const QString tip = cell.data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains(QStringLiteral("Tried again: ")) &&
                tip.contains(QStringLiteral("(in 30 minutes)")))
        << tip.toStdString();
    p.deactivate();
}

TEST_F(PaneLayout, ImportAndExportOpenInTheHomeFolderThenInTheLastOneUsed) {
    platform::setFileChooser(nullptr);
    platform::forgetFileChooserFolder();
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("feeds.opml"));
    QFile file(chosen);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<opml version=\"2.0\"><body/></opml>");
    file.close();
    NewsreelPlugin& p = setUpPlugin();
    p.willSelect();
    QWidget* view = showPane(p);
    QStringList openedIn;
    const auto answer = [&](const QString& path) {
        QTimer::singleShot(0, [&openedIn, path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            openedIn << QDir(dialog->directory()).absolutePath();
            if (path.isEmpty()) return dialog->reject();
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
    };
    answer(QString());
    view->findChild<QPushButton*>("importFeedsButton")->click();
    answer(chosen);
    view->findChild<QPushButton*>("importFeedsButton")->click();
    answer(QString());
    view->findChild<QPushButton*>("exportFeedsButton")->click();
    const QString home = QDir(QDir::homePath()).absolutePath();
    EXPECT_EQ(openedIn, (QStringList{home, home, QDir(dir.path()).absolutePath()}));
    p.willUnselect();
    platform::forgetFileChooserFolder();
}
