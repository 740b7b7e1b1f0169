#include "feeds/FeedListOpml.h"

#include "core/SettingsKeys.h"
#include "feeds/FeedAddress.h"
#include "parser/XmlEventParser.h"
#include "platform/TypedAddress.h"
#include "platform/Values.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSaveFile>
#include <QSet>
#include <QVariantMap>
#include <QXmlStreamWriter>

namespace {

// An OPML file is a list of addresses: a few hundred kilobytes for a big one.
constexpr qint64 kMaxOpmlBytes = qint64(16) << 20;

class OutlineCollector : public platform::XmlEventDelegate {
  public:
    QStringList urls;
    QString rootName;
    void didStartElement(const QString& name, const QVariantMap& attributes) override {
        if (rootName.isEmpty()) rootName = name;
        if (name != u"outline") return;
        // Some writers spell it "xmlurl".
        for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
            if (it.key().compare(QLatin1String("xmlUrl"), Qt::CaseInsensitive) == 0) {
                urls.append(it->toString());
                return;
            }
    }
    void foundCharacters(QStringView) override {}
    void foundIgnorableWhitespace(QStringView) override {}
    void didEndElement(const QString&) override {}
    void parseErrorOccurred(const QString&) override {}
    void parserDidEndDocument() override {}
};

QString feedsCount(qsizetype n) {
    return QStringLiteral("%1 feeds").arg(n);
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
    platform::XmlParseLimits limits;
    limits.maxDocumentBytes = std::size_t(kMaxOpmlBytes);
    platform::XmlEventParser parser(collector, limits);
    if (!parser.parse(document)) {
        outlines.error = QStringLiteral("not a readable OPML file: %1").arg(parser.errorDescription());
        return outlines;
    }
    if (collector.rootName != u"opml") {
        outlines.error =
            QStringLiteral("not an OPML file (its root element is <%1>)").arg(collector.rootName);
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
    report.message = QStringLiteral("imported %1, %2 already listed, %3 skipped")
                         .arg(feedsCount(added.size()))
                         .arg(already)
                         .arg(skipped);
    return report;
}

OpmlReport importOpmlFile(const QString& path, QVariantList& feeds) {
    OpmlReport report;
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile()) {
        report.message = QStringLiteral("cannot import %1: not a file").arg(path);
        return report;
    }
    if (info.size() > kMaxOpmlBytes) {
        report.message =
            QStringLiteral("cannot import %1: larger than %2 bytes").arg(path).arg(kMaxOpmlBytes);
        return report;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        report.message = QStringLiteral("cannot import %1: %2").arg(path, file.errorString());
        return report;
    }
    report = importOpml(file.read(kMaxOpmlBytes + 1), feeds);
    if (!report.ok) report.message = QStringLiteral("cannot import %1: %2").arg(path, report.message);
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
        QString title = platform::textValue(status.value(QStringLiteral("title"))).trimmed();
        if (title.isEmpty()) title = url;
        const QString link = platform::textValue(status.value(QStringLiteral("link"))).trimmed();
        xml.writeEmptyElement(QStringLiteral("outline"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("rss"));
        xml.writeAttribute(QStringLiteral("text"), title);
        xml.writeAttribute(QStringLiteral("title"), title);
        xml.writeAttribute(QStringLiteral("xmlUrl"), url);
        if (!link.isEmpty()) xml.writeAttribute(QStringLiteral("htmlUrl"), link);
        ++count;
    }
    xml.writeEndDocument();
    if (written) *written = count;
    return out;
}

OpmlReport exportOpmlFile(const QString& path, const QVariantList& feeds, const QVariantList& statuses) {
    OpmlReport report;
    qsizetype count = 0;
    const QByteArray document = opmlOfFeeds(feeds, statuses, &count);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() || !file.commit()) {
        report.message = QStringLiteral("cannot export to %1: %2").arg(path, file.errorString());
        return report;
    }
    report.ok = true;
    report.message = QStringLiteral("exported %1 to %2").arg(feedsCount(count), path);
    return report;
}
