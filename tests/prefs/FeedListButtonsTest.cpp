// The pane's Import… and Export… buttons, with the file dialog answered here.
#include "platform/FileChooser.h"
#include "tests/support/PluginFixture.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

namespace {

class FeedListButtons : public PluginTest {
  protected:
    void TearDown() override {
        platform::setFileChooser(nullptr);
        PluginTest::TearDown();
    }
    // The dialog answers with path (or is cancelled) and says what it was asked.
    void answerDialogs(std::optional<QString> path) {
        asked.clear();
        platform::setFileChooser([this, path](platform::FileChoice choice, const QString&) {
            asked.append(choice);
            return path;
        });
    }
    QPushButton* button(const char* name) {
        return plugin->pane().outlets().prefPaneView->findChild<QPushButton*>(name);
    }
    QList<platform::FileChoice> asked;
    QTemporaryDir dir;
};

} // namespace

TEST_F(FeedListButtons, ImportAddsToTheTableAndExportWritesTheList) {
    server.settings.insert("feeds", QVariantList{record("https://listed.example/rss", 30, true)});
    NewsreelPlugin& p = setUpPlugin();
    const auto& ui = p.pane().outlets();
    p.willSelect();
    const QString in = dir.filePath("in.opml");
    QFile file(in);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<opml version=\"2.0\"><body><outline xmlUrl=\"https://listed.example/rss\"/>"
               "<outline xmlUrl=\"example.org/new\"/></body></opml>");
    file.close();

    answerDialogs(std::nullopt);
    button("importFeedsButton")->click();
    EXPECT_EQ(p.feedStore().count(), 1) << "a cancelled dialog changes nothing";

    answerDialogs(in);
    button("importFeedsButton")->click();
    EXPECT_EQ(asked, QList<platform::FileChoice>{platform::FileChoice::Open});
    ASSERT_EQ(p.feedStore().count(), 2);
    EXPECT_EQ(p.feedStore().records().at(1).toMap(), record("https://example.org/new", 60, true));
    EXPECT_EQ(ui.feedTable->model()->rowCount(), 2);
    EXPECT_EQ(server.settings.value("feeds").toList().size(), 2) << "the settings are saved";
    EXPECT_EQ(ui.feedListReportLabel->text(),
              QStringLiteral("imported 1 feeds, 1 already listed, 0 skipped"));

    const QString out = dir.filePath("out.opml");
    answerDialogs(out);
    button("exportFeedsButton")->click();
    EXPECT_EQ(asked.value(0), platform::FileChoice::Save);
    EXPECT_EQ(ui.feedListReportLabel->text(), QStringLiteral("exported 2 feeds to ") + out);
    EXPECT_TRUE(QFile::exists(out));

    // A file that is no OPML: a beep, the reason, and the list as it was.
    answerDialogs(dir.path());
    const int beeps = recorder->beeps();
    button("importFeedsButton")->click();
    EXPECT_EQ(recorder->beeps(), beeps + 1);
    EXPECT_TRUE(ui.feedListReportLabel->text().startsWith(QStringLiteral("cannot import ")));
    EXPECT_EQ(p.feedStore().count(), 2);
}
