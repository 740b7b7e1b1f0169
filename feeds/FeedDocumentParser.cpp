#include "feeds/FeedDocumentParser.h"

namespace {

// RSS 2.0 and its forebears have an "rss" root; RSS 1.0 an RDF one, whatever
// prefix the document gives the RDF namespace.
bool isRssRoot(const QString& name) {
    if (name == QLatin1String("rss")) return true;
    return name == QLatin1String("RDF") || name.endsWith(QLatin1String(":RDF"));
}

} // namespace

FeedDocumentParser::FeedDocumentParser() : xml_(rss_) {}

void FeedDocumentParser::setFallbackEncoding(const QByteArray& charset) {
    xml_.setFallbackEncoding(charset);
}

bool FeedDocumentParser::parseChunk(const char* data, std::size_t size) {
    return xml_.parseChunk(data, size);
}

FeedDocumentParser::Outcome FeedDocumentParser::finish() {
    if (!xml_.failed()) xml_.finish();
    if (xml_.failed()) {
        error_ = xml_.errorDescription();
        return Outcome::ParseError;
    }
    if (!isRssRoot(rss_.rootElement())) {
        error_ = rss_.rootElement().isEmpty()
                     ? QStringLiteral("no root element")
                     : QStringLiteral("the root element is <%1>").arg(rss_.rootElement());
        return Outcome::NotAFeed;
    }
    return Outcome::Feed;
}

FeedDictionary FeedDocumentParser::takeFeed() {
    return rss_.feedDictionary();
}
