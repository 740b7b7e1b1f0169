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

void TextAccumulator::append(const QString& piece) {
    if (!active_) {
        active_ = true;
        first_ = piece;
        return;
    }
    if (!buffered_) {
        buffered_ = true;
        buffer_.resize(0); // keeps its capacity
        buffer_.append(first_);
        first_ = QString();
    }
    buffer_.append(piece);
}

void TextAccumulator::appendBlank() {
    if (active_) append(QStringLiteral(" "));
}

QString TextAccumulator::take() {
    QString text = buffered_ ? QString(buffer_.constData(), buffer_.size()) : std::move(first_);
    reset();
    return text;
}

QVariantMap* RssHandlers::newContainer() {
    return &containers_.emplace_back();
}

const QString& RssHandlers::key(const QString& name) {
    auto it = keys_.constFind(name);
    if (it == keys_.cend()) it = keys_.insert(name);
    return *it;
}

// Categories met before the first item belong to the channel, later ones to the
// last item. Before any channel there is no owner and they are dropped.
QVariantMap* RssHandlers::categoryOwner() const {
    if (QVariantMap* item = lastItem()) return item;
    return channel_;
}

FeedDictionary RssHandlers::feedDictionary() const {
    FeedDictionary feed;
    if (channel_) {
        feed.channel = *channel_;
        if (channelImage_) feed.channel->insert(kImage, *channelImage_);
    }
    if (hasItems_) {
        QVariantList items;
        items.reserve(qsizetype(items_.size()));
        for (const QVariantMap* item : items_)
            items.append(QVariant(*item));
        feed.items = std::move(items);
    }
    return feed;
}

void RssHandlers::parserDidStartDocument() {
    stack.clear();
}

void RssHandlers::didStartElement(const QString& name, const QVariantMap& attributes) {
    if (name == kChannel) {
        channel_ = newContainer();
        channelImage_ = nullptr;
        stack.push_back(channel_);
    } else if (name == kItem) {
        hasItems_ = true;
        items_.push_back(newContainer());
        stack.push_back(items_.back());
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
        if (QVariantMap* item = lastItem()) item->insert(key(name), attributes);
    }
    stringSoFar.reset();
}

void RssHandlers::foundCharacters(const QString& text) {
    stringSoFar.append(text);
}

void RssHandlers::foundIgnorableWhitespace(const QString&) {
    stringSoFar.appendBlank();
}

void RssHandlers::didEndElement(const QString& name) {
    const bool container = name == kChannel || name == kItem || name == kImage;
    if (stringSoFar.has()) {
        QString text = stringSoFar.take();
        if (container || name == kRss) {
            // White space between child elements: dropped.
        } else if (name == kCategory) {
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
            auto entry = current.find(name);
            if (entry == current.end())
                current.insert(key(name), std::move(text));
            else if (entry->typeId() == QMetaType::QVariantMap)
                static_cast<QVariantMap*>(entry->data())->insert(kText, std::move(text));
            // A repeated element (a text input's title after the channel's own)
            // keeps the first text.
        }
    }
    if (container && !stack.empty()) stack.pop_back();
}

void RssHandlers::parseErrorOccurred(const QString& description) {
    parseFailed = true;
    platform::systemLog(QStringLiteral("parse error: %1").arg(description));
}

void RssHandlers::parserDidEndDocument() {
    if (documentDidEnd) documentDidEnd();
}
