#pragma once
#include "parser/ParsedFeed.h"
#include "parser/XmlEventParser.h"

#include <QString>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

// The text accumulator: none, or the text of the element so far. Pieces are
// copied into a buffer that is reused from element to element (most text
// between elements is white space that is dropped again, and an escaped
// description comes in a piece for every character reference), and a taken
// text leaves it as an exact-size copy.
class TextAccumulator {
  public:
    bool has() const { return active_; }
    void append(QStringView piece) {
        if (!active_) {
            active_ = true;
            length_ = 0;
        }
        if (piece.isEmpty()) return;
        if (length_ + piece.size() > capacity_) grow(length_ + piece.size());
        std::memcpy(buffer_.get() + length_, piece.utf16(), std::size_t(piece.size()) * sizeof(char16_t));
        length_ += piece.size();
    }
    void appendBlank() {
        if (active_) append(u" ");
    }
    QString take() {
        reset();
        static constexpr char16_t kNothing[1] = {}; // an empty text, never a null one
        return QString(reinterpret_cast<const QChar*>(buffer_ ? buffer_.get() : kNothing), length_);
    }
    void reset() { active_ = false; }
    // The text so far, valid until the next change.
    QStringView view() const {
        return active_ && buffer_ ? QStringView(buffer_.get(), length_) : QStringView();
    }

  private:
    void grow(qsizetype needed);

    bool active_ = false;
    qsizetype length_ = 0;
    qsizetype capacity_ = 0;
    std::unique_ptr<char16_t[]> buffer_;
};

// The handlers of one feed's parser events: element names "channel", "item" and
// "image" open containers, "category" builds a list, every other element's text is
// stored under its name in the open container. Containers are the typed channel,
// image and items, filled in place, so handing the feed on copies nothing.
class RssHandlers : public XmlEventDelegate {
  public:
    // Called for parserDidEndDocument: the sign builder.
    std::function<void()> documentDidEnd;
    // Set by a fatal error, with the parser's description of it.
    bool parseFailed = false;
    QString errorDescription;

    void parserDidStartDocument() override;
    void didStartElement(const QString& name, const Attributes& attributes) override;
    void foundCharacters(QStringView text) override;
    void foundIgnorableWhitespace(QStringView whitespace) override;
    void didEndElement(const QString& name) override;
    void parseErrorOccurred(const QString& description) override;
    void parserDidEndDocument() override;

    // What has been parsed so far (the items are shared, not copied).
    ParsedFeed feedDictionary() const;
    // What was parsed, once the document ended: the items are handed over, so
    // that what is done to them next (plain titles) copies none of them.
    ParsedFeed takeFeedDictionary();
    // The document's first element as written; null before it.
    const QString& rootElement() const { return rootElement_; }
    // A document cut off inside an item: that item, still open, goes (its index
    // was the last one, so no other item moves).
    void dropUnfinishedItem();

    // An open container: a channel, an image, or an item by its index (kLeftOut
    // for the scratch item past the bound).
    struct Container {
        FeedChannel* channel = nullptr;
        FeedImage* image = nullptr;
        qsizetype item = -1;
    };
    static constexpr qsizetype kLeftOut = -2;
    // The element stack: the open containers, the current one last.
    std::vector<Container> stack;
    TextAccumulator stringSoFar;

  private:
    FeedItem* lastItem();
    FeedItem& itemAt(qsizetype index) { return index == kLeftOut ? leftOut_ : items_[index]; }
    std::optional<Categories>* categoryOwner();
    void storeText(const Container& container, const QString& name);
    void storeAttributes(const QString& name, const Attributes& attributes);

    // Channels and images at stable addresses: the element stack points into
    // them. One replaced (a second channel or image) stays until the parse ends.
    std::deque<FeedChannel> channels_;
    std::deque<FeedImage> images_;
    FeedChannel* channel_ = nullptr;
    FeedImage* channelImage_ = nullptr; // the image of channel_
    QList<FeedItem> items_;
    ParsedFeed feedWithItems(QList<FeedItem> items) const;
    bool hasItems_ = false; // an "items" list exists (the first item has begun)
    // Items past the bound are read into this one scratch item, emptied at each,
    // so that what they hold goes nowhere.
    FeedItem leftOut_;
    qsizetype itemsLeftOut_ = 0;
    // An element's attribute named "text" stands for its text until the element
    // has one of its own; set when one was stored, to be settled on hand-off.
    bool textAttributeStored_ = false;
    QString rootElement_;
};
