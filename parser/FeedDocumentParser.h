#pragma once
#include "parser/AtomHandlers.h"
#include "parser/ParsedFeed.h"
#include "parser/RssHandlers.h"
#include "parser/XmlEventParser.h"

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <memory>
#include <optional>

// Turns the bytes of one fetched document into a feed dictionary, as they arrive.
// It decides what the document is from its content alone, a server's
// Content-Type being too often wrong to choose the reader by: RSS (root "rss" or
// an RDF one, or any other root that holds a "channel"), Atom (root "feed" in the
// Atom 1.0 or 0.3 namespace) or JSON Feed (a JSON object). An HTML page is read
// only as far as its head, for the feed it names.
//
// An XML document that is not well formed is read a second time, whole, with
// libxml2's recovery, within the same bounds: what it makes of the document is
// the feed, and repairNote() says what was wrong. Bytes that are not the UTF-8
// being read are read again as Windows-1252 when nothing named the encoding,
// else with U+FFFD in their place.
class FeedDocumentParser {
  public:
    enum class Outcome {
        Feed,       // a complete feed document: takeFeed() has it
        ParseError, // not well formed, or over a bound: error() says why
        NotAFeed,   // well formed, but not a kind of feed we read: error() says what
        WebPage,    // an HTML page: namedFeed() is the feed it names, if any
    };
    enum class Format { Unknown, Rss, Atom, JsonFeed, Html, Other };

    // Relative links of Atom and JSON feeds and of pages resolve against documentURL.
    explicit FeedDocumentParser(QUrl documentURL = {}, XmlParseLimits limits = {});
    ~FeedDocumentParser();
    FeedDocumentParser(const FeedDocumentParser&) = delete;
    FeedDocumentParser& operator=(const FeedDocumentParser&) = delete;

    // The transport's charset, used when an XML document names none.
    void setFallbackEncoding(const QByteArray& charset);
    // The next bytes. False once no more are needed: a parse error, a document
    // that is not a feed, or a page whose head has come.
    bool parseChunk(const char* data, std::size_t size);
    // Ends the document.
    Outcome finish();

    // The parsed feed, taken out (after finish() returned Feed).
    ParsedFeed takeFeed() { return std::move(feed_); }
    QString error() const { return error_; }
    // For a feed read by recovery: "REASON (line N)", the first fault read past;
    // empty for a well-formed document.
    const QString& repairNote() const { return repairNote_; }
    Format format() const { return format_; }
    const std::optional<QUrl>& namedFeed() const { return namedFeed_; }

  private:
    class XmlRoot;
    bool startXml();
    bool keepPage(const char* data, std::size_t size);
    bool keepDocument(const char* data, std::size_t size);
    QString notAFeed() const;
    Outcome finishXml();
    Outcome readAgain();
    Outcome feedOfRoot(bool recovered);

    QUrl documentURL_;
    XmlParseLimits limits_;
    QByteArray fallbackEncoding_;
    Format format_ = Format::Unknown;
    QByteArray head_; // bytes before the format is known
    QByteArray kept_; // a JSON document, or a page's head
    // An XML document's bytes, for a second reading: kept as the pieces came, each
    // copied once (a growing buffer would copy all of it again as it grows).
    QList<QByteArray> document_;
    std::size_t documentBytes_ = 0;
    bool collecting_ = false; // the first reading failed: the rest is only kept
    bool xmlStarted_ = false;
    bool pageDone_ = false;
    bool tooLarge_ = false;
    std::unique_ptr<XmlRoot> root_;
    std::unique_ptr<XmlEventParser> xml_;
    ParsedFeed feed_;
    QString error_;
    QString repairNote_;
    std::optional<QUrl> namedFeed_;
};
