#pragma once
#include <QString>
#include <QUrl>
#include <optional>

// Whether an address is one a feed or what it links to may have: http or https
// with a host, or (where files are allowed) a file with a path.
bool isUsableAddress(const QUrl& url, bool fileAllowed);

// An address a document links to (a page's feed, a channel image): resolved
// against the document's URL, and http or https only unless the document itself
// was read from a file. Nothing otherwise.
std::optional<QUrl> linkedAddress(const QString& text, const QUrl& documentURL);
// The same, resolved against a base the document chose (a page's <base href>),
// which says nothing of where the document came from: a file is allowed only
// when fromFile says the document itself was read from one.
std::optional<QUrl> linkedAddress(const QString& text, const QUrl& base, bool fromFile);
