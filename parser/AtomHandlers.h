#pragma once
#include "parser/ParsedFeed.h"
#include "parser/XmlEventParser.h"

#include <QString>
#include <QUrl>
#include <vector>

// The handlers of an Atom 1.0 document's parser events. They make the same feed
// channel and items as the RSS handlers, so signs, menus and commands work unchanged:
// the feed is the channel (title, subtitle as "description", alternate link,
// updated as "lastBuildDate", rights as "copyright", generator, categories, logo
// or icon as the image), every entry an item (title, alternate link, id as
// "guid", summary or content as "description", published or updated as
// "pubDate", author, categories, the enclosure and the replies link as
// "comments"). Links are resolved against xml:base and the document's URL; HTML
// and XHTML texts stay HTML in descriptions and become plain text elsewhere.
// Elements of other namespaces are passed over. Atom 0.3 documents, in their own
// namespace, are read the same way: modified, issued, tagline and copyright are
// its names for updated, published, subtitle and rights, and a text's mode
// ("escaped", "xml", "base64") says how its type is written.
class AtomHandlers : public XmlEventDelegate {
  public:
    static const QString kNamespace;
    static const QString kNamespace03;

    explicit AtomHandlers(QUrl documentURL) : documentURL_(std::move(documentURL)) {}

    bool wantsNamespaces() const override { return true; }
    void didStartElement(const QString&, const Attributes&) override {}
    void didStartElementNs(const QString& name, const QString& namespaceURI, const QString& localName,
                           const Attributes& attributes) override;
    void foundCharacters(QStringView text) override;
    void foundIgnorableWhitespace(QStringView whitespace) override;
    void didEndElement(const QString& name) override;
    void parseErrorOccurred(const QString&) override {}
    void parserDidEndDocument() override {}

    // What has been read so far; complete once the parser has finished.
    ParsedFeed feedDictionary() const;
    // A document cut off inside an entry: that entry, still open, goes.
    void dropUnfinishedEntry();

  private:
    // Where an open element stands: which Atom element it is and what it belongs to.
    enum class Role { Other, Feed, Entry, Source, Person, TextConstruct, Link, Category };
    enum class TextKind { Text, Html, Xhtml };
    struct Frame {
        QString localName;
        bool atom = false;
        bool atom03 = false; // in Atom 0.3's namespace
        Role role = Role::Other;
        QUrl base;
        bool wrapper = false; // the div around an XHTML text
    };
    struct Person {
        QString name;
        QString email;
    };
    // What an entry collects before it becomes an item: several of its entries
    // are chosen only once the entry has ended (summary before content).
    struct Entry {
        FeedItem item;
        int linkRank = 0;
        QString summary, content, published, updated;
        QString commentsPage, commentsOther;
        Categories categories;
        Person author;
        bool hasAuthor = false;
        QString sourceTitle, sourceSelf;
    };

    void startAtomElement(const QString& localName, const Attributes& attributes, Frame& frame);
    void endAtomElement(const Frame& frame);
    bool chooseTextKind(const Attributes& attributes, bool atom03);
    void addLink(const Attributes& attributes, const QUrl& base);
    void addCategory(const Attributes& attributes);
    QString capturedPlainText() const;
    QString capturedHtml() const;
    Role parentRole() const;
    FeedItem itemOf(const Entry& entry) const;
    // The entry being read: past the bound, a scratch one that is not kept.
    Entry& currentEntry() { return entriesLeftOut_ > 0 ? leftOut_ : entries_.back(); }

    QUrl documentURL_;
    std::vector<Frame> frames_;
    // The text of the Atom element being read: plain characters, or for XHTML the
    // markup of its children. captureDepth_ counts the frames open inside it.
    bool capturing_ = false;
    int captureDepth_ = 0;
    TextKind captureKind_ = TextKind::Text;
    QString captured_;

    bool sawFeed_ = false;
    FeedChannel channel_;
    int channelLinkRank_ = 0;
    Categories channelCategories_;
    QString logo_, icon_;
    Person feedAuthor_;
    bool hasFeedAuthor_ = false;
    Person person_; // the author being read
    std::vector<Entry> entries_;
    Entry leftOut_;
    qsizetype entriesLeftOut_ = 0;
};
