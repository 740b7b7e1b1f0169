#pragma once
#include "core/FeedDictionary.h"
#include "feeds/RssHandlers.h"
#include "platform/XmlEventParser.h"

#include <QByteArray>
#include <QString>
#include <cstddef>

// Turns the bytes of one fetched document into a feed dictionary, as they arrive.
// It decides what the document is from its content alone: a server's
// Content-Type is too often wrong to choose the reader by.
class FeedDocumentParser {
  public:
    enum class Outcome {
        Feed,       // a complete feed document: feed() holds it
        ParseError, // not well formed, or over a bound: error() says why
        NotAFeed,   // well formed, but not a kind of feed we read
    };

    FeedDocumentParser();
    FeedDocumentParser(const FeedDocumentParser&) = delete;
    FeedDocumentParser& operator=(const FeedDocumentParser&) = delete;

    // The transport's charset, used when the document names none.
    void setFallbackEncoding(const QByteArray& charset);
    // Returns false once the document has failed: no more bytes are needed.
    bool parseChunk(const char* data, std::size_t size);
    // Ends the document.
    Outcome finish();

    // The parsed feed, taken out (valid after finish() returned Feed).
    FeedDictionary takeFeed();
    QString error() const { return error_; }

  private:
    RssHandlers rss_;
    platform::XmlEventParser xml_;
    QString error_;
};
