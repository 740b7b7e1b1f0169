#include "parser/RssHandlers.h"

#include "parser/FeedDictionaryForm.h"
#include "parser/ItemFields.h"

#include <algorithm>

namespace {

// The elements that open containers or the document; the fields of a container
// are stored under their element's name.
const QString kChannel = QStringLiteral("channel");
const QString kItem = QStringLiteral("item");
const QString kRss = QStringLiteral("rss");
using itemkeys::kCategories;
using itemkeys::kCategory;
using itemkeys::kImage;
using itemkeys::kText;

// The owner's category list, made (replacing any other entry of that name) when
// asked to; nothing when there is none.
QVariantList* categoryList(QVariantMap& owner, bool create) {
    auto it = owner.find(kCategories);
    if (it == owner.end()) {
        if (!create) return nullptr;
        it = owner.insert(kCategories, QVariantList());
    } else if (it->typeId() != QMetaType::QVariantList) {
        if (!create) return nullptr;
        *it = QVariantList();
    }
    return static_cast<QVariantList*>(it->data());
}

} // namespace

void TextAccumulator::grow(qsizetype needed) {
    const qsizetype capacity = std::max<qsizetype>({needed, 2 * capacity_, 256});
    auto buffer = std::make_unique<char16_t[]>(std::size_t(capacity));
    if (length_ > 0) std::memcpy(buffer.get(), buffer_.get(), std::size_t(length_) * sizeof(char16_t));
    buffer_ = std::move(buffer);
    capacity_ = capacity;
}

QVariantMap* RssHandlers::newContainer() {
    return &containers_.emplace_back();
}

// Categories met before the first item belong to the channel, later ones to the
// last item. Before any channel there is no owner and they are dropped.
QVariantMap* RssHandlers::categoryOwner() const {
    if (QVariantMap* item = lastItem()) return item;
    return channel_;
}

ParsedFeed RssHandlers::feedDictionary() const {
    ParsedFeed feed;
    if (channel_) {
        QVariantMap channel = *channel_;
        if (channelImage_) channel.insert(kImage, *channelImage_);
        feed.channel = channelOfDictionary(channel);
    }
    if (hasItems_) {
        QList<FeedItem> items;
        items.reserve(qsizetype(items_.size()));
        for (const QVariantMap* item : items_)
            items.append(itemOfDictionary(*item));
        feed.items = std::move(items);
    }
    feed.itemsLeftOut = itemsLeftOut_;
    return feed;
}

void RssHandlers::parserDidStartDocument() {
    stack.clear();
}

void RssHandlers::didStartElement(const QString& name, const QVariantMap& attributes) {
    if (rootElement_.isNull()) rootElement_ = name;
    if (name == kChannel) {
        channel_ = newContainer();
        channelImage_ = nullptr;
        stack.push_back(channel_);
    } else if (name == kItem) {
        hasItems_ = true;
        if (qsizetype(items_.size()) < kMaxItemsPerFeed) {
            items_.push_back(newContainer());
            stack.push_back(items_.back());
        } else {
            ++itemsLeftOut_;
            leftOut_.clear();
            stack.push_back(&leftOut_);
        }
    } else if (name == kImage) {
        // Before any channel an image has nowhere to go: it and its children are
        // collected into a container that nothing keeps.
        QVariantMap* image = newContainer();
        if (channel_) channelImage_ = image; // stored under "image" when handed on
        stack.push_back(image);
    } else if (name == kCategory) {
        if (QVariantMap* owner = categoryOwner()) {
            QVariantList* list = categoryList(*owner, true);
            if (!attributes.isEmpty()) list->append(QVariant(attributes));
        }
    } else if (!attributes.isEmpty()) {
        // Attributes always go to the last item, whichever container is open.
        if (QVariantMap* item = lastItem()) item->insert(name, attributes);
    }
    stringSoFar.reset();
}

void RssHandlers::foundCharacters(QStringView text) {
    stringSoFar.append(text);
}

void RssHandlers::foundIgnorableWhitespace(QStringView) {
    stringSoFar.appendBlank();
}

void RssHandlers::didEndElement(const QString& name) {
    const bool container = name == kChannel || name == kItem || name == kImage;
    if (stringSoFar.has()) {
        if (container || name == kRss) {
            stringSoFar.reset(); // white space between child elements: dropped uncopied
        } else if (name == kCategory) {
            QString text = stringSoFar.take();
            if (QVariantMap* owner = categoryOwner()) {
                if (QVariantList* list = categoryList(*owner, false)) {
                    QVariant* last = list->isEmpty() ? nullptr : &list->last();
                    if (last && last->typeId() == QMetaType::QVariantMap &&
                        !static_cast<const QVariantMap*>(last->constData())->contains(kText))
                        static_cast<QVariantMap*>(last->data())->insert(kText, std::move(text));
                    else
                        list->append(std::move(text));
                }
            }
        } else if (!stack.empty()) {
            QVariantMap& current = *stack.back();
            auto entry = current.lowerBound(name);
            if (entry == current.end() || entry.key() != name)
                current.insert(entry, name, stringSoFar.take()); // one search: the hint is the place
            else if (entry->typeId() == QMetaType::QVariantMap)
                static_cast<QVariantMap*>(entry->data())->insert(kText, stringSoFar.take());
            // A repeated element (a text input's title after the channel's own)
            // keeps the first text.
            stringSoFar.reset();
        } else {
            stringSoFar.reset();
        }
    }
    if (container && !stack.empty()) stack.pop_back();
}

void RssHandlers::dropUnfinishedItem() {
    if (items_.empty() || std::find(stack.begin(), stack.end(), items_.back()) == stack.end()) return;
    items_.pop_back();
    hasItems_ = hasItems_ && !items_.empty();
}

void RssHandlers::parseErrorOccurred(const QString& description) {
    // The update that fed the parser knows the feed, and writes the log line.
    parseFailed = true;
    errorDescription = description;
}

void RssHandlers::parserDidEndDocument() {
    if (documentDidEnd) documentDidEnd();
}
