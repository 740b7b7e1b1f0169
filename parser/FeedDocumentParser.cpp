#include "parser/FeedDocumentParser.h"

#include "parser/FeedDiscovery.h"
#include "parser/ItemFields.h"
#include "parser/JsonFeed.h"
#include "parser/RssTitles.h"
#include "parser/StrayAmpersands.h"

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
// prefix the document gives the RDF namespace; some documents are a bare channel.
bool isRssRoot(const QString& name, const QString& localName) {
    if (name == QLatin1String("rss") || localName == QLatin1String("channel")) return true;
    return name == QLatin1String("RDF") || name.endsWith(QLatin1String(":RDF"));
}

using itemkeys::kContentEncoded;
using itemkeys::kDescription;
const QString kXhtmlNamespace = QStringLiteral("http://www.w3.org/1999/xhtml");

// The namespaces RSS's own elements have been put in: RSS 1.0's and 0.90's, and
// the two that RSS 2.0 documents sometimes declare as their default.
bool isRssNamespace(const QString& uri) {
    static const QString kNamespaces[] = {QStringLiteral("http://purl.org/rss/1.0/"),
                                          QStringLiteral("http://my.netscape.com/rdf/simple/0.9/"),
                                          QStringLiteral("http://backend.userland.com/rss2"),
                                          QStringLiteral("http://blogs.law.harvard.edu/tech/rss")};
    for (const QString& known : kNamespaces)
        if (uri == known) return true;
    return false;
}

// The name the RSS handlers hear: an element of RSS's namespaces by its local
// name, whatever its prefix ("rss:item" is "item"), the content module's
// "encoded" as "content:encoded", every other element as written.
const QString& rssName(const QString& name, const QString& uri, const QString& localName) {
    if (uri.isEmpty() || name.size() == localName.size()) return name;
    if (isRssNamespace(uri)) return localName;
    if (localName == u"encoded" && uri == u"http://purl.org/rss/1.0/modules/content/") return kContentEncoded;
    return name;
}

// A reading past faults that gave neither an item nor anything of the channel
// repaired nothing.
bool recoveredNothing(const ParsedFeed& feed) {
    return (!feed.items || feed.items->isEmpty()) && (!feed.channel || feed.channel->isEmpty());
}

bool isVoidElement(QStringView name) {
    for (const char16_t* known :
         {u"area", u"br", u"col", u"embed", u"hr", u"img", u"input", u"source", u"wbr"})
        if (name == QStringView(known)) return true;
    return false;
}

} // namespace

// Hands the parser's events to the handlers of the format the root element
// names. RSS handlers hear what they would hear alone, with two differences:
// RSS's elements come by local name whatever their prefix, and a description
// that holds elements (XHTML written in place) comes as one text, its markup.
// They also hear a document whose root is of no known kind, which is RSS
// when it turns out to hold a channel.
class FeedDocumentParser::XmlRoot : public XmlEventDelegate {
  public:
    explicit XmlRoot(const QUrl& documentURL) : atom(documentURL) {}

    RssHandlers rss;
    AtomHandlers atom;
    Format format = Format::Unknown;
    QString rootName;

    // A root of no known kind ("RSS", "feeds") is RSS when its first child is a
    // channel or an item; else the document is read no further.
    bool rssCandidate = false;

    bool readsRss() const { return format == Format::Rss; }
    bool wantsNamespaces() const override { return true; }
    void didStartElement(const QString&, const Attributes&) override {}
    void didStartElementNs(const QString& name, const QString& namespaceURI, const QString& localName,
                           const Attributes& attributes) override {
        if (format == Format::Unknown) {
            rootName = name;
            if ((namespaceURI == AtomHandlers::kNamespace || namespaceURI == AtomHandlers::kNamespace03) &&
                localName == u"feed") {
                format = Format::Atom;
            } else if (localName.compare(u"html", Qt::CaseInsensitive) == 0) {
                format = Format::Html;
            } else {
                format = Format::Rss;
                rssCandidate = !isRssRoot(name, localName);
                rss.parserDidStartDocument();
            }
        } else if (rssCandidate && renamed_.size() == 1) {
            const QString& shown = rssName(name, namespaceURI, localName);
            rssCandidate = false;
            if (shown != u"channel" && shown != u"item") {
                format = Format::Other;
                return;
            }
        }
        if (format == Format::Atom) return atom.didStartElementNs(name, namespaceURI, localName, attributes);
        if (!readsRss()) return;
        if (markupDepth_ >= 0)
            return startMarkup(namespaceURI == kXhtmlNamespace ? localName : name, attributes);
        const QString& shown = rssName(name, namespaceURI, localName);
        const bool renamed = shown.size() != name.size();
        renamed_.push_back(renamed);
        if (renamed) names_.push_back(shown);
        rss.didStartElement(shown, attributes);
        if (shown == kDescription || shown == kContentEncoded) markupDepth_ = 0;
    }
    void foundCharacters(QStringView text) override {
        if (format == Format::Atom) return atom.foundCharacters(text);
        if (!readsRss()) return;
        if (inMarkup_)
            markup_ += text.toString().toHtmlEscaped();
        else
            rss.foundCharacters(text);
    }
    void foundIgnorableWhitespace(QStringView whitespace) override {
        if (format == Format::Atom) return atom.foundIgnorableWhitespace(whitespace);
        if (!readsRss()) return;
        if (inMarkup_)
            markup_ += whitespace;
        else
            rss.foundIgnorableWhitespace(whitespace);
    }
    void didEndElement(const QString& name) override {
        if (format == Format::Atom) return atom.didEndElement(name);
        if (!readsRss() || renamed_.empty()) return;
        const bool renamed = renamed_.back();
        renamed_.pop_back();
        if (markupDepth_ > 0) {
            --markupDepth_;
            const QString shown = std::move(names_.back());
            names_.pop_back();
            if (!isVoidElement(shown)) markup_ += QStringLiteral("</") + shown + u'>';
            return;
        }
        QString kept; // empty, and free, for the common element heard as written
        if (renamed) {
            kept = std::move(names_.back());
            names_.pop_back();
        }
        const QString& shown = renamed ? kept : name;
        if (markupDepth_ == 0) {
            markupDepth_ = -1;
            if (inMarkup_) {
                inMarkup_ = false;
                rss.stringSoFar.reset();
                rss.foundCharacters(markup_);
                markup_.clear();
            }
        }
        rss.didEndElement(shown);
    }
    // The reader reports errors and the end itself.
    void parseErrorOccurred(const QString&) override {}
    void parserDidEndDocument() override {}

  private:
    // An element inside a description: from the first, the description's text
    // so far and all that follows is kept as HTML.
    void startMarkup(const QString& shown, const Attributes& attributes) {
        if (!inMarkup_) {
            markup_ = rss.stringSoFar.view().toString().toHtmlEscaped();
            inMarkup_ = true;
        }
        renamed_.push_back(true);
        names_.push_back(shown);
        ++markupDepth_;
        markup_ += u'<' + shown;
        for (const Attribute* a : attributesByName(attributes)) {
            if (a->name.startsWith(QLatin1String("xmlns"))) continue;
            markup_ += u' ' + a->name + QStringLiteral("=\"") + a->value.toHtmlEscaped() + u'"';
        }
        markup_ += u'>';
    }

    // For each open element, whether it is heard by another name than written:
    // those names (RSS's own elements under a prefix, and the markup's) are kept.
    std::vector<bool> renamed_;
    std::vector<QString> names_;
    int markupDepth_ = -1; // elements open inside a description; -1 outside one
    bool inMarkup_ = false;
    QString markup_;
};

FeedDocumentParser::FeedDocumentParser(QUrl documentURL, XmlParseLimits limits)
    : documentURL_(std::move(documentURL)), limits_(limits) {}

FeedDocumentParser::~FeedDocumentParser() = default;

void FeedDocumentParser::setFallbackEncoding(const QByteArray& charset) {
    fallbackEncoding_ = charset;
    if (xml_) xml_->setFallbackEncoding(charset);
}

bool FeedDocumentParser::startXml() {
    root_ = std::make_unique<XmlRoot>(documentURL_);
    xml_ = std::make_unique<XmlEventParser>(*root_, limits_);
    xml_->setFallbackEncoding(fallbackEncoding_);
    xmlStarted_ = true;
    const QByteArray head = std::exchange(head_, QByteArray());
    keepPage(head.constData(), std::size_t(head.size()));
    keepDocument(head.constData(), std::size_t(head.size()));
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

// Keeps an XML document's bytes for a second reading, within the bound of one;
// false past it.
bool FeedDocumentParser::keepDocument(const char* data, std::size_t size) {
    if (documentBytes_ + size > limits_.maxDocumentBytes) return false;
    if (size == 0) return true;
    document_.append(QByteArray(data, qsizetype(size)));
    documentBytes_ += size;
    return true;
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
    if (tooLarge_) return false;
    if (collecting_) {
        tooLarge_ = !keepDocument(data, size);
        return !tooLarge_;
    }
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
        keepDocument(data, size);
        ok = xml_->parseChunk(data, size);
    }
    format_ = root_->format;
    if (format_ == Format::Rss || format_ == Format::Atom || format_ == Format::Other) {
        kept_ = QByteArray(); // no page to read
        pageDone_ = true;
    }
    if (format_ == Format::Unknown && !ok && looksLikeHtml(kept_)) format_ = Format::Html; // not XML at all
    if (format_ == Format::Html) {
        document_.clear();
        return !pageDone_;
    }
    if (ok) return format_ != Format::Other;
    if (xml_->failure() == XmlEventParser::Failure::Bound) return false;
    // The rest is needed whole for the second reading.
    collecting_ = true;
    return true;
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
    default:
        return finishXml();
    }
}

FeedDocumentParser::Outcome FeedDocumentParser::finishXml() {
    if (tooLarge_) {
        error_ = QStringLiteral("larger than %1 bytes").arg(qulonglong(limits_.maxDocumentBytes));
        return Outcome::ParseError;
    }
    const bool complete = !collecting_ && !xml_->failed() && xml_->finish();
    format_ = root_->format;
    if (complete) {
        document_.clear();
        return feedOfRoot(false);
    }
    if (format_ == Format::Unknown && looksLikeHtml(kept_)) {
        format_ = Format::Html; // a page that is no XML at all
        return finish();
    }
    if (xml_->failure() == XmlEventParser::Failure::Bound) {
        error_ = xml_->errorDescription();
        return Outcome::ParseError;
    }
    return readAgain();
}

// The document read to its end: the feed its root holds.
FeedDocumentParser::Outcome FeedDocumentParser::feedOfRoot(bool recovered) {
    // A root of no known kind that held nothing but itself.
    if (format_ == Format::Rss && root_->rssCandidate) format_ = Format::Other;
    switch (format_) {
    case Format::Rss:
        if (recovered) root_->rss.dropUnfinishedItem();
        feed_ = root_->rss.takeFeedDictionary();
        plainRssTitles(feed_);
        return Outcome::Feed;
    case Format::Atom:
        if (recovered) root_->atom.dropUnfinishedEntry();
        feed_ = root_->atom.feedDictionary();
        return Outcome::Feed;
    case Format::Html:
        return finish();
    default:
        error_ = notAFeed();
        return Outcome::NotAFeed;
    }
}

// A document that was not well formed, read again whole with recovery. Bytes
// that were not UTF-8 are read as Windows-1252 when nothing named the encoding,
// else with U+FFFD for each fault; a fault of that kind met only on the second
// reading gets a third. What no reading makes a feed of fails with the first
// reading's reason.
FeedDocumentParser::Outcome FeedDocumentParser::readAgain() {
    using Failure = XmlEventParser::Failure;
    const QString firstError = xml_->errorDescription();
    const bool encodingAssumed = xml_->encodingWasAssumed();
    Failure failure = xml_->failure();
    QString fault = firstError;
    QString note;
    // What libxml2 would drop with the name after it stays as written.
    QByteArray whole;
    whole.reserve(qsizetype(documentBytes_));
    for (const QByteArray& piece : std::exchange(document_, {}))
        whole += piece;
    QByteArray bytes = withStrayAmpersandsEscaped(std::exchange(whole, QByteArray()));
    if (failure == Failure::Syntax) note = firstError;
    collecting_ = false;
    QByteArray charset = fallbackEncoding_;
    bool replaced = false;
    for (int reading = 0; reading < 2; ++reading) {
        if (failure == Failure::Encoding) {
            if (encodingAssumed && charset.isEmpty()) {
                charset = "windows-1252"; // the web's rule, and no repair
            } else if (!replaced) {
                bytes = QString::fromUtf8(bytes).toUtf8();
                replaced = true;
                if (note.isEmpty()) note = fault;
            } else {
                break;
            }
        }
        root_ = std::make_unique<XmlRoot>(documentURL_);
        xml_ = std::make_unique<XmlEventParser>(*root_, limits_);
        xml_->setFallbackEncoding(charset);
        xml_->setRecovering(true);
        const bool read = xml_->parse(bytes);
        format_ = root_->format;
        if (read && (format_ == Format::Rss || format_ == Format::Atom || format_ == Format::Other)) {
            const Outcome outcome = feedOfRoot(true);
            if (outcome == Outcome::Feed && recoveredNothing(feed_)) break;
            if (outcome == Outcome::Feed)
                // The recovering reading names a fault best (a cut, where the first
                // reading saw only its end); what it no longer meets, the first did.
                repairNote_ = xml_->firstRepair().isEmpty() ? note : xml_->firstRepair();
            return outcome;
        }
        if (!read && xml_->failure() == Failure::Bound) {
            // Refused for the bound, as it would have been had the document no fault.
            feed_ = {};
            error_ = xml_->errorDescription();
            return Outcome::ParseError;
        }
        if (read || xml_->failure() != Failure::Encoding) break;
        failure = Failure::Encoding;
        fault = xml_->errorDescription();
    }
    feed_ = {};
    error_ = firstError;
    return Outcome::ParseError;
}
