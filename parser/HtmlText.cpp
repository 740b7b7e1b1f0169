#include "parser/HtmlText.h"

#include <QByteArray>
#include <libxml/HTMLparser.h>

namespace platform {

namespace {

bool isSpace(QChar c) {
    return c.isSpace();
}

// The character of the reference at text[at] ("&amp;", "&#38;", "&#x26;"), and its
// length; nothing when it is not one (a lone "&" stays as it is).
bool decodeReference(QStringView text, qsizetype at, QString& out, qsizetype& length) {
    const qsizetype semicolon = text.indexOf(u';', at);
    if (semicolon < 0 || semicolon - at > 40) return false;
    const QStringView name = text.sliced(at + 1, semicolon - at - 1);
    char32_t code = 0;
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
        const uint value = name.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        code = value;
    } else {
        const QByteArray latin = name.toLatin1();
        const htmlEntityDesc* entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(latin.constData()));
        if (!entity || name.isEmpty()) return false;
        code = entity->value;
    }
    out += QString::fromUcs4(&code, 1);
    length = semicolon - at + 1;
    return true;
}

// Tags that end a line or a block part the words around them ("a<br>b"); inline
// ones do not ("<b>W</b>orld").
bool partsWords(QStringView name) {
    static const char16_t* const kBlocks[] = {u"br", u"p",  u"div", u"li", u"tr",        u"td",
                                              u"th", u"h1", u"h2",  u"h3", u"h4",        u"h5",
                                              u"h6", u"ul", u"ol",  u"hr", u"blockquote"};
    for (const char16_t* block : kBlocks)
        if (name.compare(QStringView(block), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Where the element whose start tag ended just before `from` ends: after its end
// tag, or at the end of the text.
qsizetype skipRawContent(QStringView text, qsizetype from, QStringView name) {
    const QString endTag = QStringLiteral("</") + name.toString();
    const qsizetype end = text.indexOf(endTag, from, Qt::CaseInsensitive);
    if (end < 0) return text.size();
    const qsizetype close = text.indexOf(u'>', end);
    return close < 0 ? text.size() : close + 1;
}

} // namespace

QString plainTextOfHtml(QStringView html) {
    QString out;
    out.reserve(html.size());
    bool pendingBlank = false;
    auto append = [&](QStringView piece) {
        for (QChar c : piece) {
            if (isSpace(c)) {
                pendingBlank = !out.isEmpty();
                continue;
            }
            if (pendingBlank) out += u' ';
            pendingBlank = false;
            out += c;
        }
    };
    for (qsizetype i = 0; i < html.size();) {
        const QChar c = html[i];
        if (c == u'<' && i + 1 < html.size() &&
            (html[i + 1].isLetter() || html[i + 1] == u'/' || html[i + 1] == u'!' || html[i + 1] == u'?')) {
            qsizetype close = html.indexOf(u'>', i);
            if (html.sliced(i).startsWith(u"<!--")) {
                const qsizetype end = html.indexOf(u"-->", i + 4);
                close = end < 0 ? -1 : end + 2;
            }
            if (close < 0) break; // an unfinished tag hides the rest
            const bool endTag = html[i + 1] == u'/';
            const qsizetype nameStart = i + (endTag ? 2 : 1);
            qsizetype nameEnd = nameStart;
            while (nameEnd < close && html[nameEnd].isLetterOrNumber())
                ++nameEnd;
            const QStringView name = html.sliced(nameStart, nameEnd - nameStart);
            i = close + 1;
            if (!endTag && (name.compare(u"script", Qt::CaseInsensitive) == 0 ||
                            name.compare(u"style", Qt::CaseInsensitive) == 0))
                i = skipRawContent(html, i, name);
            if (partsWords(name)) pendingBlank = !out.isEmpty();
            continue;
        }
        if (c == u'&') {
            QString decoded;
            qsizetype length = 0;
            if (decodeReference(html, i, decoded, length)) {
                append(decoded);
                i += length;
                continue;
            }
        }
        append(html.sliced(i, 1));
        ++i;
    }
    return out;
}

QString htmlOfPlainText(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(u'\n', QStringLiteral("<br>"));
    return html;
}

} // namespace platform
