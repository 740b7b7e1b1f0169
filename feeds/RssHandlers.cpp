#include "feeds/RssHandlers.h"

#include "platform/SystemLog.h"

namespace {

const QString kChannel = QStringLiteral("channel");
const QString kItem = QStringLiteral("item");
const QString kImage = QStringLiteral("image");
const QString kCategory = QStringLiteral("category");
const QString kCategories = QStringLiteral("categories");
const QString kRss = QStringLiteral("rss");
const QString kText = QStringLiteral("text");

RssNodeRef attributeDictionary(const QVariantMap& attributes) {
    RssNodeRef node = RssNode::dictionary();
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        node->entries.insert(it.key(), it->toString());
    return node;
}

QVariant valueToVariant(const RssNode::Value& value) {
    if (const auto* text = std::get_if<QString>(&value)) return *text;
    const RssNodeRef& node = std::get<RssNodeRef>(value);
    return node ? node->toVariant() : QVariant();
}

} // namespace

RssNodeRef RssNode::child(const QString& key) const {
    auto it = entries.constFind(key);
    if (it == entries.cend()) return nullptr;
    const auto* node = std::get_if<RssNodeRef>(&*it);
    return node ? *node : nullptr;
}

QVariant RssNode::toVariant() const {
    if (isList) {
        QVariantList list;
        list.reserve(elements.size());
        for (const Value& v : elements)
            list.append(valueToVariant(v));
        return list;
    }
    QVariantMap map;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        map.insert(it.key(), valueToVariant(*it));
    return map;
}

FeedDictionary ParsedFeed::toFeedDictionary() const {
    FeedDictionary feed;
    if (channel) feed.channel = channel->toVariant().toMap();
    if (items) feed.items = items->toVariant().toList();
    return feed;
}

RssNodeRef RssHandlers::lastItem() const {
    const RssNodeRef& items = rssDictionary.items;
    if (!items || items->elements.isEmpty()) return nullptr;
    return std::get<RssNodeRef>(items->elements.last());
}

// Categories met before the first item belong to the channel, later ones to the
// last item. Before any channel there is no owner and they are dropped.
RssNodeRef RssHandlers::categoryOwner() const {
    if (RssNodeRef item = lastItem()) return item;
    return rssDictionary.channel;
}

void RssHandlers::parserDidStartDocument() {
    stack.clear();
}

void RssHandlers::didStartElement(const QString& name, const QVariantMap& attributes) {
    if (name == kChannel) {
        rssDictionary.channel = RssNode::dictionary();
        stack.append(rssDictionary.channel);
    } else if (name == kItem) {
        if (!rssDictionary.items) rssDictionary.items = RssNode::list();
        RssNodeRef item = RssNode::dictionary();
        rssDictionary.items->elements.append(item);
        stack.append(item);
    } else if (name == kImage) {
        // Before any channel an image has nowhere to go: it and its children are
        // collected into a container that nothing keeps.
        RssNodeRef image = RssNode::dictionary();
        if (rssDictionary.channel) rssDictionary.channel->entries.insert(kImage, image);
        stack.append(image);
    } else if (name == kCategory) {
        if (RssNodeRef owner = categoryOwner()) {
            RssNodeRef list = owner->child(kCategories);
            if (!list || !list->isList) {
                list = RssNode::list();
                owner->entries.insert(kCategories, list);
            }
            if (!attributes.isEmpty()) list->elements.append(attributeDictionary(attributes));
        }
    } else if (!attributes.isEmpty()) {
        // Attributes always go to the last item, whichever container is open.
        if (RssNodeRef item = lastItem()) item->entries.insert(name, attributeDictionary(attributes));
    }
    stringSoFar.reset();
}

void RssHandlers::foundCharacters(const QString& text) {
    if (!stringSoFar) {
        stringSoFar.emplace();
        stringSoFar->reserve(50);
    }
    stringSoFar->append(text);
}

void RssHandlers::foundIgnorableWhitespace(const QString&) {
    if (stringSoFar) stringSoFar->append(u' ');
}

void RssHandlers::didEndElement(const QString& name) {
    const bool container = name == kChannel || name == kItem || name == kImage;
    if (stringSoFar) {
        const QString text = *std::exchange(stringSoFar, std::nullopt);
        if (container || name == kRss) {
            // White space between child elements: dropped.
        } else if (name == kCategory) {
            if (RssNodeRef owner = categoryOwner()) {
                RssNodeRef list = owner->child(kCategories);
                if (list && list->isList) {
                    RssNodeRef last = list->elements.isEmpty() ? nullptr : [&] {
                        const auto* node = std::get_if<RssNodeRef>(&list->elements.last());
                        return node ? *node : nullptr;
                    }();
                    if (last && !last->entries.contains(kText))
                        last->entries.insert(kText, text);
                    else
                        list->elements.append(text);
                }
            }
        } else if (!stack.isEmpty()) {
            RssNode& current = *stack.last();
            auto entry = current.entries.find(name);
            if (entry == current.entries.end()) {
                current.entries.insert(name, text);
            } else if (auto* attributes = std::get_if<RssNodeRef>(&*entry);
                       attributes && *attributes && !(*attributes)->isList) {
                (*attributes)->entries.insert(kText, text);
            }
            // A repeated element (a text input's title after the channel's own)
            // keeps the first text.
        }
    }
    if (container && !stack.isEmpty()) stack.removeLast();
}

void RssHandlers::parseErrorOccurred(const QString& description) {
    parseFailed = true;
    platform::systemLog(QStringLiteral("parse error: %1").arg(description));
}

void RssHandlers::parserDidEndDocument() {
    if (documentDidEnd) documentDidEnd();
}
