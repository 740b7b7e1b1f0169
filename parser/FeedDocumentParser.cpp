#include "parser/FeedDocumentParser.h"

#include "parser/FeedDiscovery.h"
#include "parser/JsonFeed.h"

namespace {

// JSON documents are read whole, within the bound of a fetch.
constexpr qsizetype kMaxJsonBytes = qsizetype(16) << 20;
// A page is read as far as its head; past this much the head is taken as it is.
constexpr qsizetype kMaxPageBytes = qsizetype(1) << 20;

bool isBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether the first byte that is neither part of a UTF-8 byte-order mark nor
// white space has come: it tells JSON from XML.
bool headIsTelling(const QByteArray& head) {
    if (head.size() >= 4096) return true; // the XML parser judges a page of blanks
    if (head.size() < 3 && QByteArrayView("\xEF\xBB\xBF").startsWith(head)) return false;
    for (qsizetype at = head.startsWith("\xEF\xBB\xBF") ? 3 : 0; at < head.size(); ++at)
        if (!isBlankByte(head[at])) return true;
    return false;
}

// RSS 2.0 and its forebears have an "rss" root; RSS 1.0 an RDF one, whatever
// prefix the document gives the RDF namespace.
bool isRssRoot(const QString& name) {
    if (name == QLatin1String("rss")) return true;
    return name == QLatin1String("RDF") || name.endsWith(QLatin1String(":RDF"));
}

} // namespace

// Hands the parser's events to the handlers of the format the root element
// names. RSS handlers hear exactly what they would hear alone.
class FeedDocumentParser::XmlRoot : public platform::XmlEventDelegate {
  public:
    explicit XmlRoot(const QUrl& documentURL) : atom(documentURL) {}

    RssHandlers rss;
    AtomHandlers atom;
    Format format = Format::Unknown;
    QString rootName;

    bool wantsNamespaces() const override { return format != Format::Rss; }
    void didStartElement(const QString& name, const QVariantMap& attributes) override {
        if (format == Format::Rss) rss.didStartElement(name, attributes);
    }
    void didStartElementNs(const QString& name, const QString& namespaceURI, const QString& localName,
                           const QVariantMap& attributes) override {
        if (format == Format::Unknown) {
            rootName = name;
            if (isRssRoot(name)) {
                format = Format::Rss;
                rss.parserDidStartDocument();
            } else if (namespaceURI == AtomHandlers::kNamespace && localName == u"feed") {
                format = Format::Atom;
            } else {
                format = localName.compare(u"html", Qt::CaseInsensitive) == 0 ? Format::Html : Format::Other;
            }
        }
        if (format == Format::Rss)
            rss.didStartElement(name, attributes);
        else if (format == Format::Atom)
            atom.didStartElementNs(name, namespaceURI, localName, attributes);
    }
    void foundCharacters(QStringView text) override {
        if (format == Format::Rss)
            rss.foundCharacters(text);
        else if (format == Format::Atom)
            atom.foundCharacters(text);
    }
    void foundIgnorableWhitespace(QStringView whitespace) override {
        if (format == Format::Rss)
            rss.foundIgnorableWhitespace(whitespace);
        else if (format == Format::Atom)
            atom.foundIgnorableWhitespace(whitespace);
    }
    void didEndElement(const QString& name) override {
        if (format == Format::Rss)
            rss.didEndElement(name);
        else if (format == Format::Atom)
            atom.didEndElement(name);
    }
    // The reader reports errors and the end itself.
    void parseErrorOccurred(const QString&) override {}
    void parserDidEndDocument() override {}
};

FeedDocumentParser::FeedDocumentParser(QUrl documentURL, platform::XmlParseLimits limits)
    : documentURL_(std::move(documentURL)), limits_(limits) {}

FeedDocumentParser::~FeedDocumentParser() = default;

void FeedDocumentParser::setFallbackEncoding(const QByteArray& charset) {
    fallbackEncoding_ = charset;
    if (xml_) xml_->setFallbackEncoding(charset);
}

bool FeedDocumentParser::startXml() {
    root_ = std::make_unique<XmlRoot>(documentURL_);
    xml_ = std::make_unique<platform::XmlEventParser>(*root_, limits_);
    xml_->setFallbackEncoding(fallbackEncoding_);
    xmlStarted_ = true;
    const QByteArray head = std::exchange(head_, QByteArray());
    keepPage(head.constData(), std::size_t(head.size()));
    return xml_->parseChunk(head.constData(), std::size_t(head.size()));
}

// Keeps a page's first bytes until its head has come; false once it has.
bool FeedDocumentParser::keepPage(const char* data, std::size_t size) {
    if (pageDone_) return false;
    const qsizetype room = kMaxPageBytes - kept_.size();
    const qsizetype from = std::max<qsizetype>(0, kept_.size() - 8); // a tag split between two pieces
    kept_.append(data, std::min(room, qsizetype(size)));
    pageDone_ = kept_.size() >= kMaxPageBytes || htmlHeadIsComplete(kept_.sliced(from));
    return !pageDone_;
}

bool FeedDocumentParser::parseChunk(const char* data, std::size_t size) {
    if (format_ == Format::JsonFeed) {
        if (kept_.size() + qsizetype(size) > kMaxJsonBytes) {
            tooLarge_ = true;
            return false;
        }
        kept_.append(data, qsizetype(size));
        return true;
    }
    if (format_ == Format::Html) return keepPage(data, size);
    if (format_ == Format::Other || tooLarge_) return false;
    bool ok = true;
    if (!xmlStarted_) {
        head_.append(data, qsizetype(size));
        if (!headIsTelling(head_)) return true;
        if (looksLikeJson(head_)) {
            format_ = Format::JsonFeed;
            kept_ = std::exchange(head_, QByteArray());
            return parseChunk(nullptr, 0);
        }
        ok = startXml();
    } else {
        if (format_ == Format::Unknown) keepPage(data, size);
        ok = xml_->parseChunk(data, size);
    }
    format_ = root_->format;
    if (format_ == Format::Rss || format_ == Format::Atom || format_ == Format::Other) {
        kept_ = QByteArray(); // no page to read
        pageDone_ = true;
    }
    if (format_ == Format::Unknown && !ok && looksLikeHtml(kept_)) format_ = Format::Html; // not XML at all
    if (format_ == Format::Html) return !pageDone_;
    return ok && format_ != Format::Other;
}

QString FeedDocumentParser::notAFeed() const {
    return root_->rootName.isEmpty() ? QStringLiteral("no root element")
                                     : QStringLiteral("the root element is <%1>").arg(root_->rootName);
}

FeedDocumentParser::Outcome FeedDocumentParser::finish() {
    if (!xmlStarted_ && format_ == Format::Unknown) startXml(); // blank or empty: the parser says so
    switch (format_) {
    case Format::JsonFeed: {
        if (tooLarge_) {
            error_ = QStringLiteral("larger than %1 bytes").arg(kMaxJsonBytes);
            return Outcome::ParseError;
        }
        JsonFeedResult json = readJsonFeed(std::exchange(kept_, QByteArray()), documentURL_);
        error_ = json.reason;
        if (json.kind == JsonFeedResult::NotAFeed) return Outcome::NotAFeed;
        if (json.kind == JsonFeedResult::Error) return Outcome::ParseError;
        feed_ = std::move(json.feed);
        return Outcome::Feed;
    }
    case Format::Html:
        namedFeed_ = discoveredFeed(std::exchange(kept_, QByteArray()), documentURL_);
        return Outcome::WebPage;
    case Format::Other:
        error_ = notAFeed();
        return Outcome::NotAFeed;
    default:
        break;
    }
    const bool complete = !xml_->failed() && xml_->finish();
    format_ = root_->format;
    if (!complete) {
        if (format_ == Format::Unknown && looksLikeHtml(kept_)) {
            format_ = Format::Html; // a page that is no XML at all
            return finish();
        }
        error_ = xml_->errorDescription();
        return Outcome::ParseError;
    }
    switch (format_) {
    case Format::Rss:
        feed_ = root_->rss.feedDictionary();
        return Outcome::Feed;
    case Format::Atom:
        feed_ = root_->atom.feedDictionary();
        return Outcome::Feed;
    case Format::Html:
        return finish();
    default:
        error_ = notAFeed();
        return Outcome::NotAFeed;
    }
}
