#pragma once
#include <QString>
#include <QStringView>

namespace platform {

// The text a reader sees in an HTML fragment: tags dropped (with the contents of
// script and style elements), character references and HTML's named entities
// replaced, runs of white space made one blank, the ends trimmed.
QString plainTextOfHtml(QStringView html);

// A plain text as HTML that shows it as written: markup characters escaped and
// line breaks kept.
QString htmlOfPlainText(const QString& text);

} // namespace platform
