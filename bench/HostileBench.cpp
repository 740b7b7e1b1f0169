// The worst a hostile feed can make one update or one description cost, within
// every bound: CPU time of each case, which must stay under its target on this
// machine. Prints one table.
#include "menu/DescriptionMarkup.h"
#include "menu/DescriptionView.h"
#include "parser/FeedDocumentParser.h"
#include "parser/HtmlText.h"
#include "parser/ItemHeadline.h"
#include "parser/RssHandlers.h"
#include "parser/XmlEventParser.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr std::size_t kDocumentBytes = std::size_t(16) << 20; // what a fetch hands on at most
constexpr int kChunk = 16384;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Repeats piece after head until the document is as large as a fetch allows.
QByteArray filled(const QByteArray& head, const QByteArray& piece, const QByteArray& tail = {}) {
    QByteArray doc = head;
    const qsizetype room = qsizetype(kDocumentBytes) - head.size() - tail.size();
    doc += piece.repeated(std::max<qsizetype>(0, room / piece.size()));
    return doc + tail;
}

QByteArray attributes(int count, const char* prefix = "") {
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += ' ' + QByteArray(prefix) + 'a' + QByteArray::number(i) + "=\"\"";
    return out;
}

QByteArray namespaces(int count) {
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += " xmlns:p" + QByteArray::number(i) + "=\"u" + QByteArray::number(i) + '"';
    return out;
}

struct Outcome {
    double seconds = 0;
    QString error;
};

Outcome parse(const QByteArray& doc) {
    RssHandlers handlers;
    XmlEventParser parser(handlers);
    const double start = cpuSeconds();
    for (qsizetype at = 0; at < doc.size() && !parser.failed(); at += kChunk)
        parser.parseChunk(doc.constData() + at, std::size_t(std::min<qsizetype>(kChunk, doc.size() - at)));
    parser.finish();
    (void)handlers.feedDictionary();
    return {cpuSeconds() - start, parser.errorDescription()};
}

void row(const char* figure, const QString& value, const char* target, bool met) {
    std::printf("| %-58s | %-42s | %-8s | %-6s |\n", figure, value.toUtf8().constData(), target,
                met ? "met" : "MISSED");
}

void parserRows() {
    const XmlParseLimits limits;
    const QByteArray open = "<?xml version=\"1.0\"?><rss><channel><title>t</title><item>";
    const QByteArray close = "</item></channel></rss>";
    const QByteArray atBound = "<e" + attributes(limits.maxAttributes) + "/>";
    const QByteArray prefixedAtBound = "<e" + attributes(limits.maxAttributes, "p0:") + "/>";
    QByteArray declarations = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ATTLIST e";
    for (int i = 0; i < limits.maxAttributeDeclarations; ++i)
        declarations += " d" + QByteArray::number(i) + " CDATA \"v\"";
    declarations += ">]><rss><channel><title>t</title><item>";
    const QByteArray longValue = "<e a=\"" + QByteArray(int(limits.maxStartTagBytes) - 16, 'x') + "\"/>";

    const struct {
        const char* name;
        QByteArray doc;
    } cases[] = {
        {"7a one element, 800,000 attributes", open + "<e" + attributes(800'000) + "/>" + close},
        {"7b one element, 500,000 namespace declarations", open + "<e" + namespaces(500'000) + "/>" + close},
        {"7c elements at the attribute bound, 16 MiB", filled(open, atBound, close)},
        {"7d namespaces in scope at their bound, prefixed attributes",
         filled("<?xml version=\"1.0\"?><rss" + namespaces(limits.maxNamespacesInScope) +
                    "><channel><title>t</title><item>",
                prefixedAtBound, close)},
        {"7e declared default attributes at their bound", filled(declarations, "<e/>", close)},
        {"7f start tags at the length bound", filled(open, longValue, close)},
        {"7g deepest nesting, then siblings", filled(open + QByteArray("<e>").repeated(250), "<e/>", close)},
    };
    for (const auto& c : cases) {
        const Outcome outcome = parse(c.doc);
        const QString value =
            QStringLiteral("%1 s (%2 MB, %3)")
                .arg(outcome.seconds, 0, 'f', 3)
                .arg(double(c.doc.size()) / 1e6, 0, 'f', 1)
                .arg(outcome.error.isEmpty() ? QStringLiteral("parsed") : outcome.error.left(22));
        row(c.name, value, "< 2 s", outcome.seconds < 2.0);
    }
}

// One document through the format reader (a second, recovering reading
// included) and the headlines the sign builder takes from its items.
Outcome read(const QByteArray& doc) {
    FeedDocumentParser reader(QUrl(QStringLiteral("https://h.example/feed")));
    const double start = cpuSeconds();
    for (qsizetype at = 0; at < doc.size(); at += kChunk)
        if (!reader.parseChunk(doc.constData() + at,
                               std::size_t(std::min<qsizetype>(kChunk, doc.size() - at))))
            break;
    const FeedDocumentParser::Outcome outcome = reader.finish();
    const ParsedFeed feed = reader.takeFeed();
    qsizetype shown = 0;
    if (feed.items)
        for (const FeedItem& item : *feed.items)
            shown += itemHeadline(item).size();
    QString what = outcome == FeedDocumentParser::Outcome::Feed ? QStringLiteral("read") : reader.error();
    if (!reader.repairNote().isEmpty()) what = QStringLiteral("repaired");
    return {cpuSeconds() - start, what + QStringLiteral(" %1").arg(shown)};
}

void readerRows() {
    const QByteArray atom = "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>t</title><entry><id>1</id>";
    const QByteArray rssOpen = "<rss><channel><title>t</title><item><title>";
    const QByteArray ampersands(1'000'000, '&');
    const struct {
        const char* name;
        QByteArray doc;
    } cases[] = {
        {"9a Atom html summary of 1,000,000 \"&\" (escaped), headline",
         atom + "<summary type=\"html\">" + QByteArray("&amp;").repeated(1'000'000) +
             "</summary></entry></feed>"},
        {"9b RSS description of 1,000,000 \"&\", repaired, headline",
         "<rss><channel><title>t</title><item><description>" + ampersands +
             "</description></item></channel></rss>"},
        {"9c stray \"&\" in every title, 16 MiB, repaired",
         filled(rssOpen, "a & b</title></item><item><title>", "</title></item></channel></rss>")},
        {"9d mismatched end tags, 16 MiB, repaired",
         filled(rssOpen + "x", "</b>", "</title></item></channel></rss>")},
        {"9e attribute of 1,000,000 \"&\", repaired",
         "<rss><channel><title>t</title><item><e a=\"" + ampersands + "\"/></item></channel></rss>"},
        {"9f unclosed items to the depth bound, repaired",
         filled("<rss><channel><title>t</title>", "<item><title>x</title>")},
        {"9g 16 MiB of bytes that are not UTF-8, read again",
         filled("<rss><channel><title>t</title><item><title>", "caf\xe9 ",
                "</title></item></channel></rss>")},
    };
    for (const auto& c : cases) {
        const Outcome outcome = read(c.doc);
        const QString value = QStringLiteral("%1 s (%2 MB, %3)")
                                  .arg(outcome.seconds, 0, 'f', 3)
                                  .arg(double(c.doc.size()) / 1e6, 0, 'f', 1)
                                  .arg(outcome.error.left(22));
        row(c.name, value, "< 2 s", outcome.seconds < 2.0);
    }
    // The text passes alone on a million "&".
    const QString html = QString::fromLatin1(ampersands);
    double start = cpuSeconds();
    const qsizetype plain = plainTextOfHtml(html).size();
    const double plainSeconds = cpuSeconds() - start;
    row("9h HTML to text of 1,000,000 \"&\"",
        QStringLiteral("%1 s (%2 chars)").arg(plainSeconds, 0, 'f', 3).arg(plain), "< 0.1 s",
        plainSeconds < 0.1);
    start = cpuSeconds();
    const qsizetype bounded = boundedDescription(html, DescriptionBounds()).size();
    const double boundedSeconds = cpuSeconds() - start;
    row("9i description markup of 1,000,000 \"&\"",
        QStringLiteral("%1 s (%2 chars)").arg(boundedSeconds, 0, 'f', 3).arg(bounded), "< 0.1 s",
        boundedSeconds < 0.1);
}

// Showing a description: bounding it, laying it out whole and painting it once.
double showSeconds(DescriptionView& view, const QString& html) {
    const double start = cpuSeconds();
    view.showHTML(html);
    (void)view.document()->size(); // the whole layout, not only what is on screen
    (void)view.grab();
    QCoreApplication::processEvents();
    return cpuSeconds() - start;
}

void descriptionRows() {
    DescriptionView view;
    view.resize(480, 360);
    view.show();
    const auto nested = [](const QString& open, const QString& close, int depth) {
        return open.repeated(depth) + QStringLiteral("x") + close.repeated(depth);
    };
    QString cells = QStringLiteral("<table>");
    for (int row = 0; row < 2000; ++row)
        cells += QStringLiteral("<tr>") + QStringLiteral("<td colspan=99>c</td>").repeated(4) +
                 QStringLiteral("</tr>");
    cells += QStringLiteral("</table>");
    QString tableInTable = QStringLiteral("<table><tr>");
    for (int i = 0; i < 40; ++i)
        tableInTable += QStringLiteral("<td><table>") +
                        QStringLiteral("<tr><td>a b</td><td>c</td></tr>").repeated(25) +
                        QStringLiteral("</table></td>");
    tableInTable += QStringLiteral("</tr></table>");
    const struct {
        const char* name;
        QString html;
    } cases[] = {
        {"8a 24 nested tables (793 bytes)",
         nested(QStringLiteral("<table border=1><tr><td>"), QStringLiteral("</td></tr></table>"), 24)},
        {"8b 100,000 nested divisions", nested(QStringLiteral("<div>"), QStringLiteral("</div>"), 100'000)},
        {"8c one word of 400 KB", QString(400'000, u'w')},
        {"8d 16 MiB of paragraphs",
         QStringLiteral("<p>Lorem ipsum dolor sit amet, consectetur <b>adipiscing</b> elit.</p>")
             .repeated(16 << 14)},
        {"8e one row of 100,000 cells", QStringLiteral("<table><tr>") +
                                            QStringLiteral("<td>c</td>").repeated(100'000) +
                                            QStringLiteral("</tr></table>")},
        {"8f a table at the grid bound, wide spans", cells},
        {"8g tables in tables at their bound", tableInTable},
        {"8h a wide row, then rows of one cell",
         QStringLiteral("<table><tr>") + QStringLiteral("<td colspan=8>w</td>").repeated(4) +
             QStringLiteral("</tr>") + QStringLiteral("<tr><td>c</td></tr>").repeated(5000) +
             QStringLiteral("</table>")},
        {"8i cells spanning rows and columns",
         QStringLiteral("<table>") +
             (QStringLiteral("<tr>") + QStringLiteral("<td rowspan=8 colspan=3>s</td>").repeated(10) +
              QStringLiteral("</tr>"))
                 .repeated(5000) +
             QStringLiteral("</table>")},
        {"8j one preformatted line of 400 KB",
         QStringLiteral("<pre>") + QStringLiteral("x y ").repeated(100'000) + QStringLiteral("</pre>")},
        {"8k formatting changes at every word",
         QStringLiteral("<b>x</b><i>y</i><u>z</u> ").repeated(100'000)},
        {"8l lists nested to the depth bound, repeated",
         nested(QStringLiteral("<ul><li>"), QStringLiteral("</li></ul>"), 40).repeated(2000)},
    };
    for (const auto& c : cases) {
        double best = 1e300;
        for (int round = 0; round < 3; ++round)
            best = std::min(best, showSeconds(view, c.html));
        const QString value = QStringLiteral("%1 s (%2 chars shown)")
                                  .arg(best, 0, 'f', 3)
                                  .arg(view.property("loadedHTML").toString().size());
        row(c.name, value, "< 1 s", best < 1.0);
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("| %-58s | %-42s | %-8s | %-6s |\n", "figure", "measured (CPU)", "target", "");
    std::printf("|%s|%s|%s|%s|\n", QByteArray(60, '-').constData(), QByteArray(44, '-').constData(),
                QByteArray(10, '-').constData(), QByteArray(8, '-').constData());
    parserRows();
    readerRows();
    descriptionRows();
    return 0;
}
