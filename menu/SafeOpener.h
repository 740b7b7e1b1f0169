#pragma once
#include <QString>
#include <QUrl>

// Everything the information menu and the description window open comes from
// feed data, so only what cannot run or read anything reaches the workspace: web
// pages over http or https, and plain mail addresses. Anything else, and anything
// no handler takes, sounds the alert and opens nothing.

// A web address the system may open: a well-formed http or https URL with a host.
bool isWebURL(const QUrl& url);
// Opens a link, comments page, enclosure or image link given as text; returns
// whether it was opened.
bool openWebLink(const QString& text);

// The "mailto:" URL for a mail field, or an empty text when the field cannot make
// a safe one. Feeds write the address as "me@example.com (Name)",
// "Name (me@example.com)", "Name <me@example.com>" or "mailto:me@example.com":
// the address is the text in angle brackets, else the first word (parted by
// blanks and brackets) that holds an "@". It is cut at the first "?", so no header
// or body rides along, and what is left must be a plain address (a local part and
// a domain of letters, digits and the few marks addresses use), so no other
// recipient, header, attachment or percent-encoded character reaches the mail
// program. A field holding a line break or another control character within it
// makes none.
QString mailURLForField(const QString& field);
void openMailField(const QString& field);

// A link clicked inside a description: mail links follow the mail rule, every
// other link the web rule.
void openClickedLink(const QUrl& url);
