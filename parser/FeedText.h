#pragma once
// Small conversions shared by the readers of Atom and JSON Feed documents, so
// that their feed dictionaries read like those of RSS.
#include <QString>
#include <QUrl>

// An RFC 3339 date ("2024-01-02T10:00:00Z") in the form RSS uses, which the menus
// show ("Tue, 02 Jan 2024 10:00:00 +0000"); a text that is no such date is kept
// as it is, trimmed.
QString rssDateOfIsoDate(const QString& text);

// A link as written, resolved against the base in effect (xml:base, the
// document's URL); empty when there is no link.
QString resolvedLink(const QUrl& base, const QString& href);

// An author as RSS writes one: "email (name)", or whichever of the two is known.
QString rssAuthor(const QString& name, const QString& email);
