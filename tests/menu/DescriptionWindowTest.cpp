#include "menu/DescriptionMarkup.h"
#include "menu/DescriptionView.h"
#include "platform/Window.h"
#include "tests/menu/MenuFixture.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

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
        const QPoint screenCenter = web().webWindow->screen()->availableGeometry().center();
        const QPoint windowCenter = web().webWindow->frameGeometry().center();
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
    web().webWindow->move(3, 5);
    menu().showFullItemDescriptionItem->trigger();
    ASSERT_TRUE(web().webWindow->isVisible());
    EXPECT_TRUE(centered());
    EXPECT_EQ(web().webNameLabel->text(), QStringLiteral("Full Item Description"));
    EXPECT_EQ(web().webView->property("loadedHTML").toString(), QStringLiteral("<p>item</p>"));
    EXPECT_EQ(web().webView->toPlainText(), QStringLiteral("item"));

    web().webWindow->move(3, 5);
    const QPoint moved = web().webWindow->pos();
    menu().showFullFeedDescriptionItem->trigger();
    EXPECT_EQ(web().webWindow->pos(), moved);
    EXPECT_EQ(web().webNameLabel->text(), QStringLiteral("Full Feed Description"));
    EXPECT_EQ(web().webView->toPlainText(), QStringLiteral("feed"));

    plugin->infoMenu().descriptionWindow().closeWebWindow(nullptr);
    EXPECT_FALSE(web().webWindow->isVisible());
    plugin->infoMenu().descriptionWindow().closeWebWindow(nullptr); // hidden: nothing happens
    EXPECT_EQ(shows, (QList<bool>{true, true, false}));

    plugin->infoMenu().descriptionWindow().showDescription(QString(),
                                                           QStringLiteral("Full Item Description"));
    EXPECT_TRUE(centered());
    EXPECT_TRUE(web().webView->toPlainText().isEmpty());
}

TEST_F(DescriptionTest, RunsLoadsAndFollowsNothingTheDescriptionNamesAndShowsEscapedMarkupAsText) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("secret.png"));
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(path, "PNG"));
    const QUrl local = QUrl::fromLocalFile(path);
    const QString html =
        QStringLiteral("<script>alert('run')</script><p>Story</p><img src=\"x\" onerror=\"alert('err')\">"
                       "<link rel=\"stylesheet\" href=\"%1\"><img src=\"%1\"><img src=\"secret.png\">"
                       "<img src=\"data:text/plain,inline\"><iframe src=\"%1\"></iframe><object data=\"%1\">"
                       "</object>")
            .arg(local.toString());
    plugin->infoMenu().descriptionWindow().showDescription(html, QStringLiteral("Full Item Description"));
    auto* view = qobject_cast<DescriptionView*>(web().webView);
    ASSERT_TRUE(view);
    // It shows the bounded form, and keeps it for whoever shows it elsewhere.
    EXPECT_EQ(view->property("loadedHTML").toString(), boundedDescription(html));
    EXPECT_EQ(view->window(), web().webWindow);
    EXPECT_TRUE(view->toPlainText().contains(QStringLiteral("Story")));
    EXPECT_FALSE(view->toPlainText().contains(QStringLiteral("alert"))) << view->toPlainText().toStdString();
    QTextDocument* document = view->document();
    EXPECT_FALSE(document->resource(QTextDocument::StyleSheetResource, local).isValid());
    for (const QUrl& url :
         {local, QUrl(QStringLiteral("secret.png")), QUrl(QStringLiteral("data:text/plain,inline"))})
        EXPECT_FALSE(document->resource(QTextDocument::ImageResource, url).isValid())
            << url.toString().toStdString();
    EXPECT_FALSE(view->loadResource(QTextDocument::ImageResource, local).isValid());

    // Clicked links go through the safe opener; the view itself goes nowhere.
    for (const char* refused : {"javascript:alert(1)", "file:///etc/passwd", "relative/page.html"})
        emit view->anchorClicked(QUrl(QString::fromLatin1(refused)));
    EXPECT_EQ(recorder->beeps(), 3);
    emit view->anchorClicked(QUrl(QStringLiteral("https://127.0.0.1/story")));
    emit view->anchorClicked(QUrl(QStringLiteral("MAILTO:ann@example.org?bcc=eve@example.org")));
    EXPECT_EQ(recorder->openedURLs(), (QStringList{"https://127.0.0.1/story", "mailto:ann@example.org"}));
    EXPECT_TRUE(view->source().isEmpty());

    // "&amp;lt;script&amp;gt;" in the feed arrives as "&lt;script&gt;": the author
    // meant the reader to see the tag, not the view to obey it.
    plugin->infoMenu().descriptionWindow().showDescription(
        QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt; &lt;b&gt;x&lt;/b&gt;"),
        QStringLiteral("Full Item Description"));
    EXPECT_EQ(view->toPlainText(), QStringLiteral("<script>alert(1)</script> <b>x</b>"));
}

TEST_F(DescriptionTest, HeaderShowsTheTitleDateAndLinkAndEscapeCloses) {
    addFeed(kFeed, {{"title", "World Desk"}, {"description", "<p>feed</p>"}, {"link", "javascript:alert(1)"}},
            {QVariantMap{{"title", "Harbour city opens floating park"},
                         {"pubDate", "Tue, 03 Jun 2025 09:39:21 GMT"},
                         {"link", "https://127.0.0.1/harbour"},
                         {"description", "<p>item</p>"}}});
    const auto line = [this](const char* name) -> QLabel* {
        auto* label = web().webWindow->findChild<QLabel*>(QString::fromLatin1(name));
        return label && label->isVisible() ? label : nullptr;
    };
    click(0, kFeed);
    menu().showFullItemDescriptionItem->trigger();
    ASSERT_TRUE(line("webTitleLabel") && line("webDateLabel") && line("webLinkLabel"));
    EXPECT_EQ(line("webTitleLabel")->text(), QStringLiteral("Harbour city opens floating park"));
    EXPECT_TRUE(line("webDateLabel")->text().contains(QStringLiteral("2025")));
    EXPECT_FALSE(line("webDateLabel")->text().contains(QStringLiteral("GMT")))
        << line("webDateLabel")->text().toStdString();
    EXPECT_TRUE(line("webLinkLabel")->text().contains(QStringLiteral("https://127.0.0.1/harbour")));
    emit line("webLinkLabel")->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(recorder->openedURLs(), QStringList{"https://127.0.0.1/harbour"});

    // The channel's link is refused by the safe opener, as the menu's command would.
    menu().showFullFeedDescriptionItem->trigger();
    EXPECT_EQ(line("webTitleLabel")->text(), QStringLiteral("World Desk"));
    EXPECT_EQ(line("webDateLabel"), nullptr) << "no date: no line";
    emit line("webLinkLabel")->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(recorder->beeps(), 1);
    EXPECT_EQ(recorder->openedURLs().size(), 1);

    // A description shown by itself has no header.
    plugin->infoMenu().descriptionWindow().showDescription(QStringLiteral("<p>bare</p>"),
                                                           QStringLiteral("Full Item Description"));
    EXPECT_EQ(line("webTitleLabel"), nullptr);

    // Shown again while another window is active, it comes back with the keyboard:
    // Escape closes it with no click on it first.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &other; }));
    menu().showFullItemDescriptionItem->trigger();
    ASSERT_TRUE(waitUntil([this] { return QApplication::activeWindow() == web().webWindow; }));
    QWidget* keys = QApplication::focusWidget() ? QApplication::focusWidget() : web().webWindow;
    EXPECT_EQ(keys->window(), web().webWindow);
    QTest::keyClick(keys, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([this] { return !web().webWindow->isVisible(); }));
}
