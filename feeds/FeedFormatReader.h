#pragma once
#include "core/FeedDictionary.h"
#include "feeds/AtomHandlers.h"
#include "feeds/RssHandlers.h"
#include "platform/XmlEventParser.h"

#include <QByteArray>
#include <QUrl>
#include <memory>
#include <optional>

// Reads a fetched document in whichever feed format it is written, told by the
// document itself and never by its Content-Type: RSS (root "rss" or "rdf:RDF"),
// Atom (root "feed" in the Atom namespace) or JSON Feed (a JSON object). An HTML
// page is read only as far as its head, for the feed it names.
class FeedFormatReader {
  public:
    enum class Format { Unknown, Rss, Atom, JsonFeed, Html, Other };
    struct Outcome {
        enum Kind { Feed, ParseError, NotAFeed, WebPage };
        Kind kind = ParseError;
        Format format = Format::Unknown;
        FeedDictionary feed; // Feed: the whole document's
        QString reason;      // ParseError: the parser's words, with the line
        // WebPage: the feed the page names in its head, when it names one.
        std::optional<QUrl> namedFeed;
    };

    explicit FeedFormatReader(QUrl documentURL, platform::XmlParseLimits limits = {});
    ~FeedFormatReader();

    // The transport's charset, for XML that names none.
    void setFallbackEncoding(const QByteArray& charset);
    // The next bytes. False once nothing more is wanted: a parse error, a document
    // that is not a feed, or a page whose head has come.
    bool parseChunk(const char* data, std::size_t size);
    Outcome finish();

    Format format() const { return format_; }

  private:
    class XmlRoot;
    bool startXml();
    bool keepPage(const char* data, std::size_t size);

    QUrl documentURL_;
    platform::XmlParseLimits limits_;
    QByteArray fallbackEncoding_;
    Format format_ = Format::Unknown;
    QByteArray head_; // bytes before the format is known
    QByteArray kept_; // a JSON document, or a page's head
    bool xmlStarted_ = false;
    bool pageDone_ = false;
    bool tooLarge_ = false;
    std::unique_ptr<XmlRoot> root_;
    std::unique_ptr<platform::XmlEventParser> xml_;
};
