#include "parser/HtmlText.h"

#include <QByteArray>
#include <libxml/HTMLparser.h>

namespace {

bool isSpace(QChar c) {
    return c.isSpace();
}

bool isOneOf(QStringView name, std::initializer_list<const char16_t*> names) {
    for (const char16_t* candidate : names)
        if (name.compare(QStringView(candidate), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Tags that end a line or a block part the words around them ("a<br>b"); inline
// ones do not ("<b>W</b>orld").
bool partsWords(QStringView name) {
    return isOneOf(name, {u"br", u"p", u"div", u"li", u"tr", u"td", u"th", u"h1", u"h2", u"h3", u"h4", u"h5",
                          u"h6", u"ul", u"ol", u"hr", u"blockquote"});
}

// HTML's elements, by the names a title written in HTML uses.
bool isHtmlElement(QStringView name) {
    return isOneOf(name,
                   {u"a",      u"abbr",  u"acronym", u"address",    u"article", u"aside",  u"b",    u"bdi",
                    u"bdo",    u"big",   u"blink",   u"blockquote", u"br",      u"center", u"cite", u"code",
                    u"del",    u"dfn",   u"div",     u"em",         u"font",    u"h1",     u"h2",   u"h3",
                    u"h4",     u"h5",    u"h6",      u"hr",         u"i",       u"img",    u"ins",  u"kbd",
                    u"li",     u"mark",  u"nobr",    u"ol",         u"p",       u"pre",    u"q",    u"rp",
                    u"rt",     u"ruby",  u"s",       u"samp",       u"script",  u"small",  u"span", u"strike",
                    u"strong", u"style", u"sub",     u"sup",        u"time",    u"tt",     u"u",    u"ul",
                    u"var",    u"wbr"});
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

// The ">" that ends the tag begun at text[at]: quotes opened right after an "="
// hold theirs. -1 when the tag does not end.
qsizetype tagEnd(QStringView text, qsizetype at) {
    QChar quote;
    QChar last;
    for (qsizetype j = at + 1; j < text.size(); ++j) {
        const QChar c = text[j];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == u'>') return j;
        if ((c == u'"' || c == u'\'') && last == u'=') {
            quote = c;
            continue;
        }
        if (!isSpace(c)) last = c;
    }
    return -1;
}

QString plainText(QStringView html, bool anyTag) {
    QString out;
    out.reserve(html.size());
    bool pendingBlank = false;
    auto append = [&](QChar c) {
        if (isSpace(c)) {
            pendingBlank = !out.isEmpty();
            return;
        }
        if (pendingBlank) out += u' ';
        pendingBlank = false;
        out += c;
    };
    for (qsizetype i = 0; i < html.size();) {
        const QChar c = html[i];
        if (c == u'<' && i + 1 < html.size() &&
            (html[i + 1].isLetter() || html[i + 1] == u'/' || html[i + 1] == u'!' || html[i + 1] == u'?')) {
            const bool comment = html.sliced(i).startsWith(u"<!--");
            const bool endTag = html[i + 1] == u'/';
            const qsizetype nameStart = i + (endTag ? 2 : 1);
            qsizetype nameEnd = nameStart;
            while (nameEnd < html.size() && html[nameEnd].isLetterOrNumber())
                ++nameEnd;
            const QStringView name = html.sliced(nameStart, nameEnd - nameStart);
            if (anyTag || (!comment && isHtmlElement(name))) {
                qsizetype close = -1;
                if (comment) {
                    const qsizetype end = html.indexOf(u"-->", i + 4);
                    close = end < 0 ? -1 : end + 2;
                } else {
                    close = tagEnd(html, i);
                }
                if (close < 0) break; // an unfinished tag hides the rest
                i = close + 1;
                if (!endTag && (name.compare(u"script", Qt::CaseInsensitive) == 0 ||
                                name.compare(u"style", Qt::CaseInsensitive) == 0))
                    i = skipRawContent(html, i, name);
                if (partsWords(name)) pendingBlank = !out.isEmpty();
                continue;
            }
        }
        if (c == u'&') {
            QString decoded;
            if (const qsizetype length = appendReferenceAt(html, i, decoded)) {
                for (QChar d : decoded)
                    append(d);
                i += length;
                continue;
            }
        }
        append(c);
        ++i;
    }
    return out;
}

} // namespace

qsizetype appendReferenceAt(QStringView text, qsizetype at, QString& out) {
    const QStringView ahead = text.sliced(at, std::min(text.size() - at, kLongestReference));
    const qsizetype semicolon = ahead.indexOf(u';');
    if (semicolon < 2) return 0;
    const QStringView name = ahead.sliced(1, semicolon - 1);
    char32_t code = 0;
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
        const uint value = name.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
        code = value;
    } else {
        const QByteArray latin = name.toLatin1();
        const htmlEntityDesc* entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(latin.constData()));
        if (!entity) return 0;
        code = entity->value;
    }
    out += QString::fromUcs4(&code, 1);
    return semicolon + 1;
}

QString plainTextOfHtml(QStringView html) {
    return plainText(html, true);
}

QString plainTextOfTitle(QStringView text) {
    return plainText(text, false);
}

QString htmlOfPlainText(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(u'\n', QStringLiteral("<br>"));
    return html;
}
