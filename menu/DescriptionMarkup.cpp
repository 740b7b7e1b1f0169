#include "menu/DescriptionMarkup.h"

#include "menu/SafeOpener.h"

#include <QHash>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <initializer_list>
#include <optional>

namespace {

bool isOneOf(QStringView name, std::initializer_list<const char*> names) {
    for (const char* candidate : names)
        if (name == QLatin1String(candidate)) return true;
    return false;
}

// Gone with everything up to their end tag: what runs, loads or is not text.
bool isDroppedWithContent(QStringView name) {
    return isOneOf(name, {"script", "style", "iframe", "object", "applet", "noembed", "noframes", "template",
                          "svg", "math", "title", "textarea", "select", "frameset", "xmp", "plaintext",
                          "canvas", "audio", "video"});
}

// Foreign elements may close themselves; the others open whatever "/>" says.
bool mayCloseItself(QStringView name) {
    return isOneOf(name, {"svg", "math"});
}

bool isKept(QStringView name) {
    return isOneOf(name, {"a",      "abbr", "b",   "big",   "blockquote", "br",   "caption", "cite", "code",
                          "dd",     "del",  "dfn", "div",   "dl",         "dt",   "em",      "h1",   "h2",
                          "h3",     "h4",   "h5",  "h6",    "hr",         "i",    "ins",     "kbd",  "li",
                          "ol",     "p",    "pre", "q",     "s",          "samp", "small",   "span", "strike",
                          "strong", "sub",  "sup", "table", "tbody",      "td",   "tfoot",   "th",   "thead",
                          "tr",     "tt",   "u",   "ul",    "var"});
}

// Blocks the view knows no better than as a division.
bool isShownAsDivision(QStringView name) {
    return isOneOf(name,
                   {"section", "article", "header", "footer", "nav", "aside", "main", "figure", "figcaption",
                    "address", "details", "summary", "fieldset", "legend", "form", "center", "hgroup"});
}

bool isTablePart(QStringView name) {
    return isOneOf(name, {"table", "caption", "thead", "tbody", "tfoot", "tr", "td", "th"});
}

// Elements whose start closes an open paragraph.
bool closesParagraph(QStringView name) {
    return isOneOf(name, {"p", "div", "ul", "ol", "dl", "table", "h1", "h2", "h3", "h4", "h5", "h6",
                          "blockquote", "pre", "hr"});
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isNameCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u':' || c == u'_' || c == u'.';
}

// "&name;" or "&#123;" or "&#x1F;" at text[i]: its length, or 0.
qsizetype referenceLength(QStringView text, qsizetype i) {
    qsizetype j = i + 1;
    const qsizetype end = std::min(text.size(), i + 34);
    if (j < end && text[j] == u'#') ++j;
    const qsizetype first = j;
    while (j < end && text[j].unicode() < 0x80 && text[j].isLetterOrNumber())
        ++j;
    return j > first && j < end && text[j] == u';' ? j + 1 - i : 0;
}

// The few references an address is written with, and numeric ones.
QString decodedAttribute(QStringView value) {
    static const std::pair<const char*, char16_t> named[] = {
        {"amp", u'&'},    {"lt", u'<'},    {"gt", u'>'},   {"quot", u'"'},
        {"apos", u'\''},  {"colon", u':'}, {"sol", u'/'},  {"quest", u'?'},
        {"equals", u'='}, {"num", u'#'},   {"Tab", u'\t'}, {"NewLine", u'\n'}};
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size();) {
        const qsizetype length = value[i] == u'&' ? referenceLength(value, i) : 0;
        if (length == 0) {
            out += value[i++];
            continue;
        }
        const QStringView name = value.sliced(i + 1, length - 2);
        bool ok = false;
        uint code = 0;
        if (name.startsWith(u'#'))
            code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                                           : name.mid(1).toUInt(&ok, 10);
        for (const auto& [entity, character] : named)
            if (!ok && name == QLatin1String(entity)) {
                code = character;
                ok = true;
            }
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t c = code;
            out += QString::fromUcs4(&c, 1);
        } else {
            out += value.sliced(i, length);
        }
        i += length;
    }
    return out;
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// A link the view may follow, as the safe opener would open it: a web address,
// or a plain mail address. Anything else (scripts, files, relative paths) goes.
std::optional<QString> safeLink(QStringView written) {
    QString address = decodedAttribute(written);
    // Browsers drop these from addresses before they read the scheme.
    address.removeIf([](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r'; });
    address = address.trimmed();
    if (address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
        const QString mail = mailURLForField(QStringLiteral("mailto:") + address.mid(7));
        if (mail.isEmpty()) return std::nullopt;
        return mail;
    }
    const QUrl url(address, QUrl::StrictMode);
    if (!isWebURL(url)) return std::nullopt;
    return url.toString(QUrl::FullyEncoded);
}

struct Tag {
    QString name; // lower case
    bool end = false;
    bool selfClosing = false;
    QList<std::pair<QString, QString>> attributes; // names lower case, values as written
};

class Bounder {
  public:
    Bounder(QStringView html, const DescriptionBounds& bounds) : in_(html), bounds_(bounds) {}

    QString run() {
        while (i_ < in_.size() && !full_) {
            if (in_[i_] == u'<')
                markup();
            else
                text();
        }
        closeDownTo(0);
        if (full_)
            out_ += QStringLiteral("<p><i>%1</i></p>").arg(QString::fromUtf8(kShortenedDescriptionNote));
        return out_;
    }

  private:
    // Text up to the next "<": references kept as written, everything else
    // escaped, and a break opportunity in every run of maxWordLength
    // characters without one.
    void text() {
        const qsizetype next = in_.indexOf(u'<', i_);
        const qsizetype end = next < 0 ? in_.size() : next;
        appendText(in_.sliced(i_, end - i_));
        i_ = end;
    }

    void appendText(QStringView text) {
        for (qsizetype k = 0; k < text.size() && !full_; ++k) {
            const QChar c = text[k];
            if (isSpace(c)) {
                word_ = 0;
                out_ += c;
                continue;
            }
            if (word_ >= bounds_.maxWordLength) {
                out_ += QChar(0x200B);
                word_ = 0;
            }
            ++word_;
            if (c == u'&') {
                const qsizetype length = referenceLength(text, k);
                if (length > 0) {
                    out_ += text.sliced(k, length);
                    k += length - 1;
                } else {
                    out_ += QLatin1String("&amp;");
                }
            } else if (c == u'<') {
                out_ += QLatin1String("&lt;");
            } else if (c == u'>') {
                out_ += QLatin1String("&gt;");
            } else {
                out_ += c;
                if (c.isHighSurrogate() && k + 1 < text.size()) out_ += text[++k];
            }
            if (out_.size() > bounds_.maxCharacters) full_ = true;
        }
    }

    void markup() {
        const QStringView rest = in_.sliced(i_);
        if (rest.startsWith(u"<!--")) return skipPast(u"-->", 4);
        if (rest.startsWith(u"<![CDATA[")) {
            const qsizetype end = in_.indexOf(u"]]>", i_ + 9);
            const qsizetype stop = end < 0 ? in_.size() : end;
            appendText(in_.sliced(i_ + 9, stop - i_ - 9));
            i_ = end < 0 ? in_.size() : end + 3;
            return;
        }
        if (rest.startsWith(u"<!") || rest.startsWith(u"<?")) return skipPast(u">", 2);
        const bool end = rest.startsWith(u"</");
        const qsizetype nameAt = i_ + (end ? 2 : 1);
        if (nameAt >= in_.size() || !in_[nameAt].isLetter()) {
            // Not a tag: a "<" the text meant.
            appendText(in_.sliced(i_, 1));
            ++i_;
            return;
        }
        const std::optional<Tag> tag = readTag(nameAt, end);
        if (!tag) {
            i_ = in_.size(); // a tag the description never closes hides the rest
            return;
        }
        if (tag->end)
            endTag(tag->name);
        else
            startTag(*tag);
    }

    void skipPast(QStringView terminator, qsizetype from) {
        const qsizetype end = in_.indexOf(terminator, i_ + from);
        i_ = end < 0 ? in_.size() : end + terminator.size();
    }

    std::optional<Tag> readTag(qsizetype at, bool end) {
        Tag tag;
        tag.end = end;
        qsizetype j = at;
        while (j < in_.size() && isNameCharacter(in_[j]))
            ++j;
        tag.name = in_.sliced(at, j - at).toString().toLower();
        for (;;) {
            while (j < in_.size() && (isSpace(in_[j]) || in_[j] == u'/')) {
                if (in_[j] == u'/') tag.selfClosing = true;
                ++j;
            }
            if (j >= in_.size()) return std::nullopt;
            if (in_[j] == u'>') break;
            tag.selfClosing = false;
            const qsizetype nameStart = j;
            while (j < in_.size() && !isSpace(in_[j]) && in_[j] != u'>' && in_[j] != u'=' && in_[j] != u'/')
                ++j;
            const QString name = in_.sliced(nameStart, j - nameStart).toString().toLower();
            while (j < in_.size() && isSpace(in_[j]))
                ++j;
            QStringView value;
            if (j < in_.size() && in_[j] == u'=') {
                ++j;
                while (j < in_.size() && isSpace(in_[j]))
                    ++j;
                if (j < in_.size() && (in_[j] == u'"' || in_[j] == u'\'')) {
                    const qsizetype close = in_.indexOf(in_[j], j + 1);
                    if (close < 0) return std::nullopt;
                    value = in_.sliced(j + 1, close - j - 1);
                    j = close + 1;
                } else {
                    const qsizetype valueStart = j;
                    while (j < in_.size() && !isSpace(in_[j]) && in_[j] != u'>')
                        ++j;
                    value = in_.sliced(valueStart, j - valueStart);
                }
            }
            if (!name.isEmpty()) tag.attributes.append({name, value.toString()});
        }
        i_ = j + 1;
        return tag;
    }

    void startTag(const Tag& tag) {
        const QString& name = tag.name;
        if (isDroppedWithContent(name)) {
            if (!tag.selfClosing || !mayCloseItself(name)) skipElement(name);
            return;
        }
        if (name == QLatin1String("img")) {
            for (const auto& [attribute, value] : tag.attributes)
                if (attribute == QLatin1String("alt")) appendText(value);
            return;
        }
        const QString shown = isShownAsDivision(name) ? QStringLiteral("div") : name;
        if (!isKept(shown)) return; // the tag goes, its content stays
        closeImplied(shown);
        if (shown == QLatin1String("br") || shown == QLatin1String("hr")) {
            word_ = 0;
            return write(u'<' + shown + u'>');
        }
        // An element past the bounds loses its tags and keeps its content; its end
        // tag, when it comes, must not close an element that was kept.
        if ((isTablePart(shown) && !tableAllowed(shown)) || int(open_.size()) >= bounds_.maxDepth) {
            ++phantoms_[shown];
            return;
        }
        QString attributes;
        int columns = 1;
        int rows = 1;
        for (const auto& [attribute, value] : tag.attributes) {
            if (shown == QLatin1String("a") && attribute == QLatin1String("href")) {
                if (const std::optional<QString> link = safeLink(value))
                    attributes += QStringLiteral(" href=\"%1\"").arg(escaped(*link));
            } else if (attribute == QLatin1String("colspan")) {
                columns = std::clamp(value.trimmed().toInt(), 1, bounds_.maxSpan);
            } else if (attribute == QLatin1String("rowspan")) {
                rows = std::clamp(value.trimmed().toInt(), 1, bounds_.maxSpan);
            }
        }
        if (!placeInGrid(shown, columns, rows)) {
            full_ = true;
            return;
        }
        if (shown == QLatin1String("td") || shown == QLatin1String("th")) {
            if (columns > 1) attributes += QStringLiteral(" colspan=\"%1\"").arg(columns);
            if (rows > 1) attributes += QStringLiteral(" rowspan=\"%1\"").arg(rows);
        }
        if (closesParagraph(shown) || shown == QLatin1String("li") || isTablePart(shown)) word_ = 0;
        open_.append(shown);
        write(u'<' + shown + attributes + u'>');
    }

    // Tables too deep lose their tags; so do the parts of a table that lost them,
    // or of none.
    bool tableAllowed(QStringView name) {
        if (name == QLatin1String("table")) return tables_.size() < bounds_.maxTableDepth;
        return phantoms_.value(QStringLiteral("table")) == 0 && !tables_.isEmpty();
    }

    // Takes the grid places a new table, row or cell adds; false when the tables
    // would pass their bound. A cell's span is narrowed to the columns left.
    bool placeInGrid(QStringView name, int& columns, int rows) {
        if (name == QLatin1String("table")) {
            tables_.append(Table());
            tables_.last().carried.fill(0, bounds_.maxSpan);
            return true;
        }
        if (tables_.isEmpty()) return true;
        Table& table = tables_.last();
        if (name == QLatin1String("tr")) {
            ++table.rows;
            // Cells of the rows above that span into this one take its first places.
            table.rowWidth = table.carried.takeFirst();
            table.carried.append(0);
        } else if (name == QLatin1String("td") || name == QLatin1String("th")) {
            table.rows = std::max(table.rows, 1);
            columns = std::min(columns, bounds_.maxColumns - table.rowWidth);
            if (columns < 1) return false;
            table.rowWidth += columns;
            for (int below = 0; below < rows - 1; ++below)
                table.carried[below] += columns;
            table.columns = std::max(table.columns, table.rowWidth);
            table.rowsNeeded = std::max(table.rowsNeeded, table.rows + rows - 1);
        } else {
            return true;
        }
        table.rowsNeeded = std::max(table.rowsNeeded, table.rows);
        const qint64 places = qint64(table.rowsNeeded) * std::max(table.columns, 1);
        gridUsed_ += places - table.counted;
        table.counted = places;
        return gridUsed_ <= bounds_.maxTableGrid;
    }

    void endTag(const QString& name) {
        const QString shown = isShownAsDivision(name) ? QStringLiteral("div") : name;
        if (int& phantoms = phantoms_[shown]; phantoms > 0) {
            --phantoms;
            return;
        }
        for (qsizetype k = open_.size() - 1; k >= 0; --k) {
            if (open_[k] == shown) return closeDownTo(k);
            // An end tag does not reach out of the table it stands in.
            if (open_[k] == QLatin1String("table") && shown != QLatin1String("table")) return;
        }
    }

    // What HTML closes by itself: a paragraph at the next block, a list item at the
    // next item of its list, a row or cell at the next of its table.
    void closeImplied(QStringView name) {
        const auto closeNearest = [this](std::initializer_list<const char*> names,
                                         std::initializer_list<const char*> boundaries) {
            for (qsizetype k = open_.size() - 1; k >= 0; --k) {
                if (isOneOf(open_[k], names)) return closeDownTo(k);
                if (isOneOf(open_[k], boundaries)) return;
            }
        };
        if (closesParagraph(name) && !open_.isEmpty() && open_.last() == QLatin1String("p"))
            closeDownTo(open_.size() - 1);
        if (name == QLatin1String("li")) closeNearest({"li"}, {"ul", "ol", "table"});
        if (name == QLatin1String("dt") || name == QLatin1String("dd"))
            closeNearest({"dt", "dd"}, {"dl", "table"});
        if (name == QLatin1String("tr")) closeNearest({"tr"}, {"table"});
        if (name == QLatin1String("td") || name == QLatin1String("th"))
            closeNearest({"td", "th"}, {"tr", "table"});
        if (isOneOf(name, {"thead", "tbody", "tfoot"})) closeNearest({"thead", "tbody", "tfoot"}, {"table"});
    }

    void closeDownTo(qsizetype depth) {
        while (open_.size() > depth) {
            const QString name = open_.takeLast();
            if (name == QLatin1String("table") && !tables_.isEmpty()) tables_.removeLast();
            out_ += QStringLiteral("</%1>").arg(name);
        }
    }

    void write(const QString& markup) {
        out_ += markup;
        if (out_.size() > bounds_.maxCharacters) full_ = true;
    }

    // Past the element's own end tag, or to the end when it has none.
    void skipElement(const QString& name) {
        const QString close = QStringLiteral("</") + name;
        for (qsizetype at = in_.indexOf(close, i_, Qt::CaseInsensitive); at >= 0;
             at = in_.indexOf(close, at + 1, Qt::CaseInsensitive)) {
            const qsizetype after = at + close.size();
            if (after < in_.size() && isNameCharacter(in_[after])) continue; // "</scripts"
            const qsizetype gt = in_.indexOf(u'>', after);
            i_ = gt < 0 ? in_.size() : gt + 1;
            return;
        }
        i_ = in_.size();
    }

    QStringView in_;
    const DescriptionBounds& bounds_;
    qsizetype i_ = 0;
    QString out_;
    QStringList open_;
    QHash<QString, int> phantoms_; // elements dropped for the bounds, by name, not yet ended
    struct Table {
        int rows = 0;
        int rowsNeeded = 0; // rows reached by the cells' spans
        int columns = 0;
        int rowWidth = 0;
        QList<int> carried; // places the next rows lose to cells spanning into them
        qint64 counted = 0; // grid places charged so far
    };
    QList<Table> tables_; // the open tables, innermost last
    qint64 gridUsed_ = 0;
    int word_ = 0;
    bool full_ = false;
};

} // namespace

QString boundedDescription(const QString& html, const DescriptionBounds& bounds) {
    return Bounder(html, bounds).run();
}
