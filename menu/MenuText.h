#pragma once
#include <QString>
#include <QTextDocument>

// Feed data shows literally in menus: an "&" in a title is no keyboard mnemonic.
inline QString literalMenuTitle(const QString& text) {
    QString escaped = text;
    return escaped.replace(u'&', QStringLiteral("&&"));
}

// Tool tips that look like markup are rendered as rich text; feed data is shown
// as the plain text it is.
inline QString plainToolTip(const QString& text) {
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}
