#pragma once
// The feed list carried to and from other readers as OPML.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

struct OpmlReport {
    bool ok = false;
    QString message; // what was done, or why nothing was
};

// The xmlUrl of every outline, at any depth, in document order; empty texts
// included (they count as skipped). Error is set when the document is not OPML.
struct OpmlOutlines {
    QStringList feedURLs;
    QString error;
};
OpmlOutlines readOpml(const QByteArray& document);

// Adds the feeds an OPML document lists to the end of a feed list, in the
// document's order: each URL not listed yet becomes an enabled record with an
// interval of 60 minutes. "imported N feeds, M already listed, K skipped" (those
// without a usable http or https URL). A document that cannot be read changes
// nothing.
OpmlReport importOpml(const QByteArray& document, QVariantList& feeds);
OpmlReport importOpmlFile(const QString& path, QVariantList& feeds);

// OPML 2.0 with one outline of type "rss" per record that has a usable URL: text
// and title from the feed's status ("title", else the URL), xmlUrl, and htmlUrl
// from the status's "link" when known. statuses are maps with "url" as the
// plug-in's source status gives them.
QByteArray opmlOfFeeds(const QVariantList& feeds, const QVariantList& statuses, qsizetype* written = nullptr);
// Writes it atomically: the file is whole or as it was.
OpmlReport exportOpmlFile(const QString& path, const QVariantList& feeds, const QVariantList& statuses);
