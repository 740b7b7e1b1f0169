// Addresses and markup from a hostile feed, bounded where the opener and the
// description view enforce it: nothing runs, nothing local is read or opened,
// no mail carries more than one plain recipient.
#include "menu/DescriptionView.h"
#include "menu/SafeOpener.h"
#include "tests/menu/MenuFixture.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

const QString kFeed = QStringLiteral("http://127.0.0.1/feed");

const QStringList kHostileAddresses{"javascript:alert(document.cookie)",
                                    " JaVaScRiPt:alert(1)",
                                    "file:///usr/share/applications/x.desktop",
                                    "file:///tmp/x.desktop",
                                    "/etc/passwd",
                                    "|date",
                                    "$(id)",
                                    "`id`",
                                    "; rm -rf ~",
                                    "exec:/bin/sh",
                                    "data:text/html;base64,PHNjcmlwdD5hbGVydCgxKTwvc2NyaXB0Pg==",
                                    "vbscript:msgbox(1)",
                                    "smb://127.0.0.1/share",
                                    "http:///etc/passwd"};

} // namespace

TEST_F(MenuTest, HostileItemCommentsEnclosureAndFeedLinksOpenNothing) {
    QVariantList items;
    for (const QString& address : kHostileAddresses)
        items << QVariantMap{{"link", address},
                             {"comments", address},
                             {"enclosure", attributes({{"url", address}, {"type", "audio/mpeg"}})}};
    for (const QString& address : kHostileAddresses) {
        SCOPED_TRACE(address.toStdString());
        addFeed(kFeed, {{"title", "C"}, {"link", address}}, items);
        const int index = int(kHostileAddresses.indexOf(address));
        const int beeps = recorder->beeps();
        click(index, kFeed);
        for (QAction* entry : {plugin->openItemLinkInBrowserItem, plugin->openCommentsPageItem,
                               plugin->downloadEnclosureItem, plugin->openFeedLinkInBrowserItem})
            entry->trigger();
        EXPECT_EQ(recorder->beeps(), beeps + 4);
    }
    EXPECT_TRUE(recorder->openedURLs().isEmpty()) << recorder->openedURLs().join(' ').toStdString();
    for (const QString& address : kHostileAddresses)
        openClickedLink(QUrl(address));
    EXPECT_TRUE(recorder->openedURLs().isEmpty()) << recorder->openedURLs().join(' ').toStdString();
}

TEST_F(MenuTest, HostileAuthorsNeverAddAttachmentsHeadersOrRecipients) {
    const QList<std::pair<QString, QString>> authors{
        {"a@b?attach=~/.ssh/id_rsa", "mailto:a@b"},
        {"a@b?attachment=/etc/passwd&body=x", "mailto:a@b"},
        {"a@b,attachment=~/.ssh/id_rsa", ""},
        {"a@b\r\nBcc: eve@example.org", ""},
        {"a@b\rX-Header: 1", ""},
        {"a@b%0D%0ABcc:eve@example.org", ""},
        {"a@b%2Cattach=~/.ssh/id_rsa", ""},
    };
    QVariantList items;
    for (const auto& author : authors)
        items << QVariantMap{{"author", author.first}};
    addFeed(kFeed, {{"title", "C"}, {"managingEditor", "ed@b?attach=/etc/shadow"}}, items);
    for (int i = 0; i < authors.size(); ++i) {
        SCOPED_TRACE(authors[i].first.toStdString());
        EXPECT_EQ(mailURLForField(authors[i].first), authors[i].second);
        recorder.reset();
        recorder = std::make_unique<PlatformRecorder>();
        click(i, kFeed);
        plugin->emailAuthorItem->trigger();
        if (authors[i].second.isEmpty()) {
            EXPECT_EQ(recorder->beeps(), 1);
            EXPECT_TRUE(recorder->openedURLs().isEmpty());
        } else {
            EXPECT_EQ(recorder->openedURLs(), QStringList{authors[i].second});
        }
    }
    plugin->emailManagingEditorItem->trigger();
    EXPECT_EQ(recorder->openedURLs().last(), QStringLiteral("mailto:ed@b"));
}

TEST_F(MenuTest, HostileDescriptionsRunLoadAndFollowNothing) {
    QTemporaryDir dir;
    const QString secretPath = dir.filePath(QStringLiteral("secret.png"));
    QImage(4, 4, QImage::Format_RGB32).save(secretPath);
    const QString secret = QUrl::fromLocalFile(secretPath).toString();
    plugin->showDescription(QStringLiteral("<script>alert('run')</script><p>Story</p>"
                                           "<img src=\"x\" onerror=\"alert('err')\">"
                                           "<img src=\"%1\"><a href=\"file:///etc\">etc</a>"
                                           "<iframe src=\"%1\"></iframe><object data=\"%1\"></object>")
                                .arg(secret),
                            QStringLiteral("Full Item Description"));
    auto* view = qobject_cast<DescriptionView*>(plugin->webView);
    ASSERT_TRUE(view);
    const QString shown = view->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("Story")));
    EXPECT_FALSE(shown.contains(QStringLiteral("alert"))) << shown.toStdString();
    EXPECT_FALSE(view->document()->resource(QTextDocument::ImageResource, QUrl(secret)).isValid());
    EXPECT_FALSE(view->loadResource(QTextDocument::ImageResource, QUrl(secret)).isValid());
    emit view->anchorClicked(QUrl(QStringLiteral("file:///etc")));
    EXPECT_EQ(recorder->beeps(), 1);
    EXPECT_TRUE(recorder->openedURLs().isEmpty());
    EXPECT_TRUE(view->source().isEmpty());
}

TEST_F(MenuTest, EscapedMarkupInADescriptionIsShownAsText) {
    // "&amp;lt;script&amp;gt;" in the feed arrives as "&lt;script&gt;": the author
    // meant the reader to see the tag, not the view to obey it.
    plugin->showDescription(QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt; &lt;b&gt;x&lt;/b&gt;"),
                            QStringLiteral("Full Item Description"));
    EXPECT_EQ(plugin->webView->toPlainText(), QStringLiteral("<script>alert(1)</script> <b>x</b>"));
}
