#include "bench/FeedGenerator.h"

#include <QString>

namespace {

const char* const kWords[] = {"council", "river",  "budget",  "station", "harbour", "festival", "market",
                              "bridge",  "school", "library", "museum",  "orchard", "league",   "weather"};

QByteArray words(int seed, int count) {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        if (i) out += ' ';
        out += kWords[(seed * 7 + i * 3) % (sizeof(kWords) / sizeof(*kWords))];
    }
    return out;
}

} // namespace

QByteArray generateFeed(int items, const QByteArray& imageURL) {
    QByteArray doc;
    doc.reserve(qsizetype(items) * 1100 + 2000);
    doc += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
           "  <title>Riverside Gazette</title>\n  <link>https://gazette.example/</link>\n"
           "  <description>News from the riverside towns</description>\n"
           "  <language>en-gb</language>\n  <ttl>30</ttl>\n  <generator>Newsreel bench</generator>\n"
           "  <image>\n    <url>" +
           imageURL +
           "</url>\n    <title>Riverside Gazette</title>\n"
           "    <link>https://gazette.example/</link>\n    <width>88</width>\n    <height>31</height>\n  "
           "</image>\n";
    for (int i = 0; i < items; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray headline = words(i, 6);
        doc += "  <item>\n    <title>" + headline + " (" + n + ")</title>\n";
        doc += "    <link>https://gazette.example/story/" + n + "</link>\n";
        QByteArray html = "<p>The <b>" + words(i + 1, 3) + "</b> met on Tuesday to discuss the " +
                          words(i + 2, 8) + ". <a href=\"https://gazette.example/story/" + n +
                          "\">Read more</a></p><p>" + words(i + 3, 30) + ".</p>";
        while (html.size() < 500)
            html += "<p>" + words(i + int(html.size()), 8) + ".</p>";
        if (i % 2) {
            doc += "    <description><![CDATA[" + html + "]]></description>\n";
        } else {
            html.replace("&", "&amp;");
            html.replace("<", "&lt;");
            html.replace(">", "&gt;");
            doc += "    <description>" + html + "</description>\n";
        }
        doc += "    <guid isPermaLink=\"true\">https://gazette.example/story/" + n + "</guid>\n";
        doc += "    <pubDate>Sun, 06 Dec 2026 09:" + QByteArray::number(10 + i % 50) + ":00 GMT</pubDate>\n";
        doc += "    <category>Local</category>\n";
        doc += "    <category domain=\"https://gazette.example/topics\">" + words(i, 1) + "</category>\n";
        doc += "    <enclosure url=\"https://gazette.example/audio/" + n +
               ".mp3\" length=\"123456\" type=\"audio/mpeg\"/>\n";
        doc += "    <author>desk@gazette.example (News Desk)</author>\n  </item>\n";
    }
    doc += "</channel>\n</rss>\n";
    return doc;
}
