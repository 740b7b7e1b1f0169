#pragma once
#include <QString>
#include <QStringView>

// The text a reader sees in an HTML fragment: tags dropped (with the contents of
// script and style elements), character references and HTML's named entities
// replaced, runs of white space made one blank, the ends trimmed. A ">" inside a
// quoted attribute value does not end its tag.
QString plainTextOfHtml(QStringView html);

// The same for a text that may or may not be HTML, such as an RSS title: only the
// tags of HTML's own elements count as markup ("1930ft<sup>2</sup>"), any other
// "<" stays as written ("Fish & Chips <tonight>").
QString plainTextOfTitle(QStringView text);

// The character reference or HTML named entity at text[at] ("&amp;", "&#38;",
// "&#x26;"): appends its character to out and returns its length, or returns 0
// when there is none. It looks no further ahead than the longest reference, so a
// pass over a text of a million "&" stays linear.
qsizetype appendReferenceAt(QStringView text, qsizetype at, QString& out);
// How far that look-ahead goes, "&" and ";" included.
constexpr qsizetype kLongestReference = 34;

// A plain text as HTML that shows it as written: markup characters escaped and
// line breaks kept.
QString htmlOfPlainText(const QString& text);
