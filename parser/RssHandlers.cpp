#include "parser/RssHandlers.h"

#include "parser/ItemFields.h"

#include <algorithm>
#include <utility>

namespace {

// The elements that open containers or the document; the fields of a container
// are stored under their element's name.
const QString kChannel = QStringLiteral("channel");
const QString kItem = QStringLiteral("item");
const QString kRss = QStringLiteral("rss");
using itemkeys::kCategory;
using itemkeys::kImage;
using itemkeys::kText;

bool hasTextAttribute(const Field& field) {
    return std::any_of(field.attributes.cbegin(), field.attributes.cend(),
                       [](const Attribute& a) { return a.name == kText; });
}

// An element's attribute named "text" is its text when it has none of its own;
// either way it is no attribute of the field.
// Read through a const view: lists shared between items are copied only for
// the field that changes.
void settleTextAttribute(Field& field) {
    const Attributes& attributes = field.attributes;
    for (qsizetype i = 0; i < attributes.size(); ++i)
        if (attributes.at(i).name == kText) {
            if (!field.hasText()) field.text = attributes.at(i).value;
            field.attributes.remove(i);
            return;
        }
}

void settleTextAttributes(std::optional<Categories>& categories) {
    if (categories)
        for (Field& category : *categories)
            settleTextAttribute(category);
}

void settleTextAttributes(FeedItem& item) {
    for (Field* f :
         {&item.title, &item.link, &item.guid, &item.description, &item.contentEncoded, &item.pubDate,
          &item.dcDate, &item.comments, &item.author, &item.enclosure, &item.source})
        settleTextAttribute(*f);
    for (NamedField& other : item.others)
        settleTextAttribute(other.value);
    settleTextAttributes(item.categories);
}

} // namespace

void TextAccumulator::grow(qsizetype needed) {
    const qsizetype capacity = std::max<qsizetype>({needed, 2 * capacity_, 256});
    auto buffer = std::make_unique<char16_t[]>(std::size_t(capacity));
    if (length_ > 0) std::memcpy(buffer.get(), buffer_.get(), std::size_t(length_) * sizeof(char16_t));
    buffer_ = std::move(buffer);
    capacity_ = capacity;
}

FeedItem* RssHandlers::lastItem() {
    if (itemsLeftOut_ > 0) return &leftOut_;
    return items_.isEmpty() ? nullptr : &items_.last();
}

// Categories met before the first item belong to the channel, later ones to the
// last item. Before any channel there is no owner and they are dropped.
std::optional<Categories>* RssHandlers::categoryOwner() {
    if (FeedItem* item = lastItem()) return &item->categories;
    return channel_ ? &channel_->categories : nullptr;
}

ParsedFeed RssHandlers::feedDictionary() const {
    return feedWithItems(items_);
}

ParsedFeed RssHandlers::takeFeedDictionary() {
    ParsedFeed feed = feedWithItems(std::exchange(items_, {}));
    hasItems_ = false;
    return feed;
}

ParsedFeed RssHandlers::feedWithItems(QList<FeedItem> items) const {
    ParsedFeed feed;
    if (channel_) {
        feed.channel = *channel_;
        if (channelImage_) feed.channel->image = *channelImage_;
    }
    if (hasItems_) feed.items = std::move(items);
    feed.itemsLeftOut = itemsLeftOut_;
    if (textAttributeStored_) {
        if (feed.channel) settleTextAttributes(feed.channel->categories);
        if (feed.items)
            for (FeedItem& item : *feed.items)
                settleTextAttributes(item);
    }
    return feed;
}

void RssHandlers::parserDidStartDocument() {
    stack.clear();
}

void RssHandlers::storeAttributes(const QString& name, const Attributes& attributes) {
    // A copy that shares the list: the parser's own is emptied, not changed, at the next start tag.
    Field field{QString(), attributes};
    textAttributeStored_ = textAttributeStored_ || hasTextAttribute(field);
    if (name == kCategory) {
        if (std::optional<Categories>* owner = categoryOwner()) {
            if (!*owner) owner->emplace();
            if (!field.attributes.isEmpty()) (*owner)->append(std::move(field));
        }
    } else if (FeedItem* item = lastItem()) {
        // Attributes always go to the last item, whichever container is open.
        item->fieldForName(name) = std::move(field);
    }
}

void RssHandlers::didStartElement(const QString& name, const Attributes& attributes) {
    if (rootElement_.isNull()) rootElement_ = name;
    if (name == kChannel) {
        channel_ = &channels_.emplace_back();
        channelImage_ = nullptr;
        stack.push_back({channel_, nullptr, -1});
    } else if (name == kItem) {
        hasItems_ = true;
        if (items_.size() < kMaxItemsPerFeed) {
            items_.emplace_back();
            stack.push_back({nullptr, nullptr, items_.size() - 1});
        } else {
            ++itemsLeftOut_;
            leftOut_ = FeedItem();
            stack.push_back({nullptr, nullptr, kLeftOut});
        }
    } else if (name == kImage) {
        // Before any channel an image has nowhere to go: it and its children are
        // collected into one that nothing keeps.
        FeedImage* image = &images_.emplace_back();
        if (channel_) channelImage_ = image; // the channel's when handed on
        stack.push_back({nullptr, image, -1});
    } else if (name == kCategory) {
        if (std::optional<Categories>* owner = categoryOwner()) {
            if (!*owner) owner->emplace();
            if (!attributes.isEmpty()) storeAttributes(name, attributes);
        }
    } else if (!attributes.isEmpty()) {
        storeAttributes(name, attributes);
    }
    stringSoFar.reset();
}

void RssHandlers::foundCharacters(QStringView text) {
    stringSoFar.append(text);
}

void RssHandlers::foundIgnorableWhitespace(QStringView) {
    stringSoFar.appendBlank();
}

// A repeated element (a text input's title after the channel's own) keeps the
// first text; an item's element that carried attributes takes the text it
// encloses, whenever that comes.
void RssHandlers::storeText(const Container& container, const QString& name) {
    if (container.channel) {
        Field& field = container.channel->fieldForName(name);
        if (!field.isPresent()) field.text = stringSoFar.take();
    } else if (container.image) {
        if (QString* known = container.image->knownText(name); known && !known->isNull()) return;
        container.image->storeText(name, stringSoFar.take());
    } else {
        Field& field = itemAt(container.item).fieldForName(name);
        if (!field.isPresent() || !field.attributes.isEmpty()) field.text = stringSoFar.take();
    }
}

void RssHandlers::didEndElement(const QString& name) {
    const bool container = name == kChannel || name == kItem || name == kImage;
    if (stringSoFar.has()) {
        if (container || name == kRss) {
            stringSoFar.reset(); // white space between child elements: dropped uncopied
        } else if (name == kCategory) {
            QString text = stringSoFar.take();
            if (std::optional<Categories>* owner = categoryOwner(); owner && *owner) {
                Categories& list = **owner;
                Field* last = list.isEmpty() ? nullptr : &list.last();
                if (last && !last->attributes.isEmpty() && !last->hasText() && !hasTextAttribute(*last))
                    last->text = std::move(text);
                else
                    list.append(Field::ofText(std::move(text)));
            }
        } else if (!stack.empty()) {
            storeText(stack.back(), name);
        }
        stringSoFar.reset();
    }
    if (container && !stack.empty()) stack.pop_back();
}

void RssHandlers::dropUnfinishedItem() {
    const qsizetype last = items_.size() - 1;
    if (last < 0 ||
        std::none_of(stack.begin(), stack.end(), [last](const Container& open) { return open.item == last; }))
        return;
    items_.removeLast();
    hasItems_ = hasItems_ && !items_.isEmpty();
}

void RssHandlers::parseErrorOccurred(const QString& description) {
    // The update that fed the parser knows the feed, and writes the log line.
    parseFailed = true;
    errorDescription = description;
}

void RssHandlers::parserDidEndDocument() {
    if (documentDidEnd) documentDidEnd();
}
