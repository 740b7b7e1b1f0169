#pragma once
#include "core/FeedDictionary.h"
#include "platform/XmlEventParser.h"

#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

// The feed dictionary while it is being parsed. Containers are shared so that the
// element stack can point into them; the finished form is plain QVariant values.
struct RssNode;
using RssNodeRef = std::shared_ptr<RssNode>;
struct RssNode {
    // A text, a dictionary (attributes, or a channel, item or image) or a list.
    using Value = std::variant<QString, RssNodeRef>;
    bool isList = false;
    QMap<QString, Value> entries; // a dictionary's
    QList<Value> elements;        // a list's

    static RssNodeRef dictionary() { return std::make_shared<RssNode>(); }
    static RssNodeRef list() {
        auto node = std::make_shared<RssNode>();
        node->isList = true;
        return node;
    }
    RssNodeRef child(const QString& key) const;
    QVariant toVariant() const;
};

struct ParsedFeed {
    RssNodeRef channel; // null: none yet
    RssNodeRef items;   // null: none yet
    FeedDictionary toFeedDictionary() const;
};

// The handlers of one feed's parser events: element names "channel", "item" and
// "image" open containers, "category" builds a list, every other element's text is
// stored under its name in the open container.
class RssHandlers : public platform::XmlEventDelegate {
  public:
    // Called for parserDidEndDocument: the sign builder.
    std::function<void()> documentDidEnd;
    // The log line of a fatal error has been written when this is set.
    bool parseFailed = false;

    void parserDidStartDocument() override;
    void didStartElement(const QString& name, const QVariantMap& attributes) override;
    void foundCharacters(const QString& text) override;
    void foundIgnorableWhitespace(const QString& whitespace) override;
    void didEndElement(const QString& name) override;
    void parseErrorOccurred(const QString& description) override;
    void parserDidEndDocument() override;

    FeedDictionary feedDictionary() const { return rssDictionary.toFeedDictionary(); }

    ParsedFeed rssDictionary;
    QList<RssNodeRef> stack;
    std::optional<QString> stringSoFar;

  private:
    RssNodeRef categoryOwner() const;
    RssNodeRef lastItem() const;
};
