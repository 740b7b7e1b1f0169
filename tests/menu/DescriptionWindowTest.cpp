#include "menu/DescriptionView.h"
#include "platform/Window.h"
#include "tests/menu/MenuFixture.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>

namespace {

const QString kFeed = QStringLiteral("http://127.0.0.1/feed");

class DescriptionTest : public MenuTest {
  protected:
    void SetUp() override {
        MenuTest::SetUp();
        platform::setWindowObserver([this](QWidget*, bool visible) { shows << visible; });
    }
    void TearDown() override {
        platform::setWindowObserver(nullptr);
        MenuTest::TearDown();
    }
    bool centered() const {
        const QPoint screenCenter = plugin->webWindow->screen()->availableGeometry().center();
        const QPoint windowCenter = plugin->webWindow->frameGeometry().center();
        // The frame is known only once shown: allow its margins.
        return (windowCenter - screenCenter).manhattanLength() <= 10;
    }
    QList<bool> shows;
};

} // namespace

TEST_F(DescriptionTest, CentersOnlyWhenHiddenAndNamesWhatItShows) {
    addFeed(kFeed, {{"title", "C"}, {"description", "<p>feed</p>"}},
            {QVariantMap{{"description", "<p>item</p>"}}});
    click(0, kFeed);
    plugin->webWindow->move(3, 5);
    plugin->showFullItemDescriptionItem->trigger();
    ASSERT_TRUE(plugin->webWindow->isVisible());
    EXPECT_TRUE(centered());
    EXPECT_EQ(plugin->webNameLabel->text(), QStringLiteral("Full Item Description"));
    EXPECT_EQ(plugin->webView->property("loadedHTML").toString(), QStringLiteral("<p>item</p>"));
    EXPECT_EQ(plugin->webView->toPlainText(), QStringLiteral("item"));

    plugin->webWindow->move(3, 5);
    const QPoint moved = plugin->webWindow->pos();
    plugin->showFullFeedDescriptionItem->trigger();
    EXPECT_EQ(plugin->webWindow->pos(), moved);
    EXPECT_EQ(plugin->webNameLabel->text(), QStringLiteral("Full Feed Description"));
    EXPECT_EQ(plugin->webView->toPlainText(), QStringLiteral("feed"));

    plugin->closeWebWindow(nullptr);
    EXPECT_FALSE(plugin->webWindow->isVisible());
    plugin->closeWebWindow(nullptr); // hidden: nothing happens
    EXPECT_EQ(shows, (QList<bool>{true, true, false}));

    plugin->showDescription(QString(), QStringLiteral("Full Item Description"));
    EXPECT_TRUE(centered());
    EXPECT_TRUE(plugin->webView->toPlainText().isEmpty());
}

TEST_F(DescriptionTest, LoadsNothingTheDescriptionNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString sheet = dir.filePath(QStringLiteral("leak.css"));
    {
        QFile file(sheet);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("secret { }");
    }
    const QUrl local = QUrl::fromLocalFile(sheet);
    plugin->showDescription(
        QStringLiteral("<link rel=\"stylesheet\" href=\"%1\"><img src=\"%1\"><img src=\"leak.css\">"
                       "<img src=\"data:text/plain,inline\">")
            .arg(local.toString()),
        QStringLiteral("Full Item Description"));
    QTextDocument* document = plugin->webView->document();
    EXPECT_FALSE(document->resource(QTextDocument::StyleSheetResource, local).isValid());
    EXPECT_FALSE(document->resource(QTextDocument::ImageResource, local).isValid());
    EXPECT_FALSE(
        document->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("leak.css"))).isValid());
    EXPECT_FALSE(
        document->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("data:text/plain,inline")))
            .isValid());
    EXPECT_FALSE(plugin->webView->loadResource(QTextDocument::ImageResource, local).isValid());
}

TEST_F(DescriptionTest, ClickedLinksGoThroughTheSafeOpener) {
    plugin->showDescription(QStringLiteral("<a href=\"javascript:alert(1)\">x</a>"),
                            QStringLiteral("Full Item Description"));
    auto* view = qobject_cast<DescriptionView*>(plugin->webView);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->objectName(), QStringLiteral("webView"));
    EXPECT_EQ(view->window(), plugin->webWindow);
    emit view->anchorClicked(QUrl(QStringLiteral("javascript:alert(1)")));
    emit view->anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
    emit view->anchorClicked(QUrl(QStringLiteral("relative/page.html")));
    EXPECT_EQ(recorder->beeps(), 3);
    emit view->anchorClicked(QUrl(QStringLiteral("https://127.0.0.1/story")));
    emit view->anchorClicked(QUrl(QStringLiteral("MAILTO:ann@example.org?bcc=eve@example.org")));
    EXPECT_EQ(recorder->openedURLs(), (QStringList{"https://127.0.0.1/story", "mailto:ann@example.org"}));
    EXPECT_TRUE(view->source().isEmpty()); // the view itself went nowhere
}
