// Descriptions written to hurt the description window: what reaches the text
// layout is bounded before it is laid out (how fast that then is, bench_hostile
// measures), and what is shown runs, loads and submits nothing.
#include "menu/DescriptionMarkup.h"
#include "tests/support/PluginFixture.h"

#include <QRegularExpression>

namespace {

const DescriptionBounds kBounds;

// The deepest nesting of elements in well-formed markup; -1 when a tag is left
// open or closed twice.
int nesting(const QString& html) {
    int depth = 0;
    int deepest = 0;
    static const QRegularExpression tag(QStringLiteral("<(/?)([a-z0-9]+)[^>]*>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        const QString name = match.captured(2);
        if (name == QLatin1String("br") || name == QLatin1String("hr")) continue;
        depth += match.captured(1).isEmpty() ? 1 : -1;
        if (depth < 0) return -1;
        deepest = std::max(deepest, depth);
    }
    return depth == 0 ? deepest : -1;
}

// The longest run of characters without a blank or a break opportunity.
qsizetype longestWord(const QString& html) {
    qsizetype longest = 0, run = 0;
    for (const QChar c : html) {
        run = c.isSpace() || c == QChar(0x200B) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

TEST(HostileDescription, NestingSizeTablesAndWordsAreBoundedBeforeLayout) {
    const auto nested = [](const char* open, const char* close, int depth) {
        return QString::fromLatin1(open).repeated(depth) + QStringLiteral("x") +
               QString::fromLatin1(close).repeated(depth);
    };
    const QString tables = nested("<table border=1><tr><td>", "</td></tr></table>", 24);
    const QString shownTables = boundedDescription(tables);
    EXPECT_EQ(shownTables.count(QStringLiteral("<table")), kBounds.maxTableDepth)
        << shownTables.toStdString();
    EXPECT_GT(nesting(shownTables), 0);
    EXPECT_TRUE(shownTables.contains(u'x'));

    const QString divisions = boundedDescription(nested("<div>", "</div>", 100'000));
    EXPECT_EQ(nesting(divisions), kBounds.maxDepth);
    // Unclosed, and closed more often than opened: still well formed.
    EXPECT_EQ(nesting(boundedDescription(QStringLiteral("<div><ul><li>a<li>b<table><tr><td>c"))), 6);
    EXPECT_GE(nesting(boundedDescription(QStringLiteral("a</p></div></table></td>b<p>c"))), 0);

    const QString note = QString::fromUtf8(kShortenedDescriptionNote);
    const QString word = boundedDescription(QString(400'000, u'w'));
    EXPECT_LE(word.size(), kBounds.maxCharacters + 100);
    EXPECT_TRUE(word.contains(note));
    EXPECT_LE(longestWord(word), kBounds.maxWordLength);
    EXPECT_LE(
        longestWord(boundedDescription(QStringLiteral("<b>") + QString(500, u'a') + QStringLiteral("</b>"))),
        kBounds.maxWordLength + 3);

    // A table grows a grid of its rows by its widest row: past the bound the
    // description is cut, with the note.
    const QString row = boundedDescription(QStringLiteral("<table><tr>") +
                                           QStringLiteral("<td colspan=1000>c</td>").repeated(100'000) +
                                           QStringLiteral("</tr></table>after"));
    EXPECT_LE(row.count(QStringLiteral("<td")), kBounds.maxColumns / kBounds.maxSpan);
    EXPECT_TRUE(row.contains(note));
    EXPECT_FALSE(row.contains(QStringLiteral("after")));
    const QString rows = boundedDescription(
        QStringLiteral("<table>") + QStringLiteral("<tr><td>c</td><td>d</td></tr>").repeated(100'000));
    EXPECT_LE(rows.count(QStringLiteral("<tr")), kBounds.maxTableGrid / 2);
    EXPECT_TRUE(rows.contains(note));

    // An ordinary description comes through as it was written.
    const QString plain = QStringLiteral(
        "<p>One &amp; <b>two</b> &eacute;</p><ul><li>a</li><li>b</li></ul><table><tr><td colspan=\"2\">c</td>"
        "</tr></table>");
    EXPECT_EQ(boundedDescription(plain), plain);
}

TEST(HostileDescription, ShownFormRunsLoadsAndSubmitsNothing) {
    const QString shown = boundedDescription(QStringLiteral(
        "<p onclick=\"steal()\" style=\"background:url(http://127.0.0.1/t)\" class=x>Story</p>"
        "<script>document.write('</div>')</script><SCRIPT src=x></SCRIPT><style>p{}</style>"
        "<iframe src=\"http://127.0.0.1/\">frame text</iframe><object data=x>object text</object>"
        "<img src=\"http://127.0.0.1/pixel.png\" alt=\"A picture\" onerror=\"x()\">"
        "<form action=\"http://127.0.0.1/post\"><input name=q><button>Go</button></form>"
        "<a href=\"javascript:alert(1)\">js</a><a href=\" jav&#x61;script:alert(1)\">js2</a>"
        "<a href=\"file:///etc/passwd\">file</a><a href=\"relative.html\">rel</a>"
        "<a href=\"https://127.0.0.1/story?a=1&amp;b=2\" target=_blank>web</a>"
        "<a href=\"mailto:ann@example.org?bcc=eve@example.org\">mail</a>"
        "<a href=\"mailto:a@b.c&attach=/etc/passwd\">bad mail</a>"
        "a < b <![CDATA[<i>c</i>]]> <!-- <script>x()</script> --> <svg><script>y()</script></svg>end"));
    for (const char* gone : {"script", "style",  "onclick",    "onerror", "steal",    "background",
                             "class",  "iframe", "frame text", "object",  "pixel",    "form",
                             "input",  "action", "javascript", "file:",   "relative", "target",
                             "bcc",    "attach", "svg",        "y()"})
        EXPECT_FALSE(shown.contains(QLatin1String(gone), Qt::CaseInsensitive)) << gone << "\n"
                                                                               << shown.toStdString();
    for (const char* kept : {"<p>Story</p>", "A picture", "Go", ">js<", ">file<", ">rel<",
                             "<a href=\"https://127.0.0.1/story?a=1&amp;b=2\">web</a>",
                             "<a href=\"mailto:ann@example.org\">mail</a>", "<a>bad mail</a>",
                             "a &lt; b &lt;i&gt;c&lt;/i&gt;", "end"})
        EXPECT_TRUE(shown.contains(QLatin1String(kept))) << kept << "\n" << shown.toStdString();
}
