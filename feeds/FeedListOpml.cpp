#include "feeds/FeedListOpml.h"

#include "core/SettingsKeys.h"
#include "feeds/FeedAddress.h"
#include "parser/XmlEventParser.h"
#include "platform/FileGuard.h"
#include "platform/TypedAddress.h"
#include "platform/UrlFetcher.h"
#include "platform/Values.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QLocale>
#include <QSaveFile>
#include <QSet>
#include <QVariantMap>
#include <QXmlStreamWriter>

namespace {

// An OPML file is a list of addresses: a few hundred kilobytes for a big one.
constexpr qint64 kMaxOpmlBytes = qint64(16) << 20;

class OutlineCollector : public XmlEventDelegate {
  public:
    QStringList urls;
    QString rootName;
    void didStartElement(const QString& name, const Attributes& attributes) override {
        if (rootName.isEmpty()) rootName = name;
        if (name != u"outline") return;
        // Some writers spell it "xmlurl"; the usual spelling wins when both are there.
        const Attribute* found = nullptr;
        for (const Attribute& a : attributes) {
            if (a.name == u"xmlUrl") {
                found = &a;
                break;
            }
            if (!found && a.name.compare(QLatin1String("xmlUrl"), Qt::CaseInsensitive) == 0) found = &a;
        }
        if (found) urls.append(found->value);
    }
    void foundCharacters(QStringView) override {}
    void foundIgnorableWhitespace(QStringView) override {}
    void didEndElement(const QString&) override {}
    void parseErrorOccurred(const QString&) override {}
    void parserDidEndDocument() override {}
};

// Text as XML 1.0 may hold it: an unpaired surrogate or a character XML forbids
// (controls but tab and line breaks, U+FFFE, U+FFFF) becomes U+FFFD. A writer
// given either would otherwise break the document off at it.
QString xmlText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += text.at(i);
            out += text.at(++i);
            continue;
        }
        const bool allowed = !QChar::isSurrogate(c) && c != 0xFFFE && c != 0xFFFF &&
                             (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r');
        out += allowed ? QChar(c) : QChar(QChar::ReplacementCharacter);
    }
    return out;
}

// A channel's page as another reader may open it: only a web address.
bool isWebPage(const QString& link) {
    return isUsableAddress(QUrl(link, QUrl::StrictMode), false);
}

QString feedsCount(qsizetype n) {
    return QCoreApplication::translate("FeedListOpml", "%1 feeds").arg(n);
}

// The address an imported outline names, if a feed can be read from it.
std::optional<QString> importedAddress(const QString& xmlUrl) {
    const std::optional<QString> address = platform::typedFeedAddress(xmlUrl);
    if (!address || address->startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return std::nullopt;
    return address;
}

} // namespace

OpmlOutlines readOpml(const QByteArray& document) {
    OpmlOutlines outlines;
    OutlineCollector collector;
    XmlParseLimits limits;
    limits.maxDocumentBytes = std::size_t(kMaxOpmlBytes);
    XmlEventParser parser(collector, limits);
    if (!parser.parse(document)) {
        outlines.error = QCoreApplication::translate("FeedListOpml", "not a readable OPML file: %1")
                             .arg(parser.errorDescription());
        return outlines;
    }
    if (collector.rootName != u"opml") {
        outlines.error =
            QCoreApplication::translate("FeedListOpml", "not an OPML file (its root element is <%1>)")
                .arg(collector.rootName);
        return outlines;
    }
    outlines.feedURLs = std::move(collector.urls);
    return outlines;
}

OpmlReport importOpml(const QByteArray& document, QVariantList& feeds) {
    OpmlReport report;
    const OpmlOutlines outlines = readOpml(document);
    if (!outlines.error.isEmpty()) {
        report.message = outlines.error;
        return report;
    }
    QSet<QString> listed;
    for (const QVariant& record : feeds)
        listed.insert(platform::textValue(record.toMap().value(recordkeys::kURL)));
    QVariantList added;
    int already = 0, skipped = 0;
    for (const QString& url : outlines.feedURLs) {
        const std::optional<QString> address = importedAddress(url);
        if (!address) {
            ++skipped;
        } else if (listed.contains(*address)) {
            ++already;
        } else {
            listed.insert(*address);
            added.append(QVariantMap{{recordkeys::kURL, *address},
                                     {recordkeys::kInterval, limits::kDefaultInterval},
                                     {recordkeys::kEnabled, true}});
        }
    }
    feeds.append(added);
    report.ok = true;
    report.message = QCoreApplication::translate("FeedListOpml", "imported %1, %2 already listed, %3 skipped")
                         .arg(feedsCount(added.size()))
                         .arg(already)
                         .arg(skipped);
    return report;
}

OpmlReport importOpmlFile(const QString& path, QVariantList& feeds) {
    OpmlReport report;
    const QString refused = platform::whyNotReadable(path);
    if (!refused.isEmpty()) {
        report.message = QCoreApplication::translate("FeedListOpml", "cannot import %1: %2")
                             .arg(platform::shownPath(path), refused);
        return report;
    }
    // Read as a local feed is: opening never waits for a pipe's writer, and what is
    // checked (a regular file, its size) is the very file then read, whatever the
    // path names by then.
    platform::FetchLimits limits;
    limits.maxBytes = std::size_t(kMaxOpmlBytes);
    platform::UrlFetcher reader(limits);
    reader.setAllowedSchemes({QStringLiteral("file")});
    platform::FetchResult result;
    const std::optional<QByteArray> document =
        reader.fetchAll(QUrl::fromLocalFile(QDir::current().absoluteFilePath(path)), &result);
    if (!document) {
        report.message =
            QCoreApplication::translate("FeedListOpml", "cannot import %1: %2").arg(path, result.reason);
        return report;
    }
    report = importOpml(*document, feeds);
    if (!report.ok)
        report.message =
            QCoreApplication::translate("FeedListOpml", "cannot import %1: %2").arg(path, report.message);
    return report;
}

QByteArray opmlOfFeeds(const QVariantList& feeds, const QVariantList& statuses, qsizetype* written) {
    qsizetype count = 0;
    QHash<QString, QVariantMap> statusOf;
    for (const QVariant& status : statuses) {
        const QVariantMap map = status.toMap();
        statusOf.insert(platform::textValue(map.value(recordkeys::kURL)), map);
    }
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("opml"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("head"));
    xml.writeTextElement(QStringLiteral("title"), QStringLiteral("Newsreel feeds"));
    xml.writeTextElement(QStringLiteral("dateCreated"),
                         QLocale::c().toString(QDateTime::currentDateTimeUtc(),
                                               QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'")));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("body"));
    for (const QVariant& record : feeds) {
        const QString url = platform::textValue(record.toMap().value(recordkeys::kURL));
        if (!feedAddress(url)) continue; // the table's "http://" placeholder and the like
        const QVariantMap status = statusOf.value(url);
        QString title = xmlText(platform::textValue(status.value(QStringLiteral("title"))).trimmed());
        if (title.isEmpty()) title = xmlText(url);
        const QString link = platform::textValue(status.value(QStringLiteral("link"))).trimmed();
        xml.writeEmptyElement(QStringLiteral("outline"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("rss"));
        xml.writeAttribute(QStringLiteral("text"), title);
        xml.writeAttribute(QStringLiteral("title"), title);
        xml.writeAttribute(QStringLiteral("xmlUrl"), xmlText(url));
        // A javascript:, data: or file: "page" would be opened by the reader it goes to.
        if (isWebPage(link)) xml.writeAttribute(QStringLiteral("htmlUrl"), xmlText(link));
        ++count;
    }
    xml.writeEndDocument();
    if (written) *written = count;
    return out;
}

OpmlReport exportOpmlFile(const QString& path, const QVariantList& feeds, const QVariantList& statuses) {
    OpmlReport report;
    qsizetype count = 0;
    const QString refused = platform::whyNotWritable(path);
    if (!refused.isEmpty()) {
        report.message = QCoreApplication::translate("FeedListOpml", "cannot export to %1: %2")
                             .arg(platform::shownPath(path), refused);
        return report;
    }
    const QByteArray document = opmlOfFeeds(feeds, statuses, &count);
    // What is written must read back whole: a file that another reader (or our
    // own import) refuses is no export, whatever the writer thought of it.
    const OpmlOutlines check = readOpml(document);
    if (!check.error.isEmpty() || check.feedURLs.size() != count) {
        report.message =
            QStringLiteral("cannot export to %1: the list could not be written as OPML").arg(path);
        return report;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() || !file.commit()) {
        report.message = QCoreApplication::translate("FeedListOpml", "cannot export to %1: %2")
                             .arg(path, file.errorString());
        return report;
    }
    report.ok = true;
    report.message =
        QCoreApplication::translate("FeedListOpml", "exported %1 to %2").arg(feedsCount(count), path);
    return report;
}
