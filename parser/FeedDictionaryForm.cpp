#include "parser/FeedDictionaryForm.h"

#include "parser/ItemFields.h"

namespace {

using itemkeys::kCategories;
using itemkeys::kHeadlineStandIn;
using itemkeys::kImage;
using itemkeys::kText;

void put(QVariantMap& dictionary, const QString& name, const Field& field) {
    if (field.isPresent()) dictionary.insert(name, valueOfField(field));
}

QVariantList categoryValues(const Categories& categories) {
    QVariantList list;
    list.reserve(categories.size());
    for (const Field& category : categories)
        list.append(valueOfField(category));
    return list;
}

Categories categoriesOfValue(const QVariant& value) {
    Categories categories;
    for (const QVariant& entry : value.toList())
        categories.append(fieldOfValue(entry));
    return categories;
}

void putOthers(QVariantMap& dictionary, const NamedFields& others) {
    for (const NamedField& other : others)
        put(dictionary, other.name, other.value);
}

QVariantMap dictionaryOfImage(const FeedImage& image) {
    QVariantMap dictionary;
    for (const auto& [name, text] :
         {std::pair{itemkeys::kURL, &image.url}, std::pair{itemkeys::kLink, &image.link},
          std::pair{itemkeys::kTitle, &image.title}})
        if (!text->isNull()) dictionary.insert(name, *text);
    putOthers(dictionary, image.others);
    return dictionary;
}

FeedImage imageOfDictionary(const QVariantMap& dictionary) {
    FeedImage image;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        image.storeText(it.key(), it->toString());
    return image;
}

// Every field member and every other element under its name.
template <typename Entry> QVariantMap dictionaryOfFields(const Entry& entry) {
    QVariantMap dictionary;
    for (const FieldMember<Entry>& member : Entry::fieldMembers())
        put(dictionary, member.name, entry.*member.field);
    putOthers(dictionary, entry.others);
    return dictionary;
}

} // namespace

QVariant valueOfField(const Field& field) {
    if (field.attributes.isEmpty()) return field.text;
    QVariantMap attributes;
    for (const Attribute& attribute : field.attributes)
        attributes.insert(attribute.name, attribute.value);
    if (field.hasText()) attributes.insert(kText, field.text);
    return attributes;
}

Field fieldOfValue(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantMap) return Field::ofText(value.toString());
    Field field;
    const QVariantMap attributes = value.toMap();
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it) {
        if (it.key() == kText)
            field.text = it->toString();
        else
            field.attributes.append(Attribute{it.key(), it->toString()});
    }
    return field;
}

QVariantMap dictionaryOfItem(const FeedItem& item) {
    QVariantMap dictionary = dictionaryOfFields(item);
    if (item.categories) dictionary.insert(kCategories, categoryValues(*item.categories));
    if (!item.headlineStandIn.isNull()) dictionary.insert(kHeadlineStandIn, item.headlineStandIn);
    return dictionary;
}

QVariantMap dictionaryOfChannel(const FeedChannel& channel) {
    QVariantMap dictionary = dictionaryOfFields(channel);
    if (channel.image) dictionary.insert(kImage, dictionaryOfImage(*channel.image));
    if (channel.categories) dictionary.insert(kCategories, categoryValues(*channel.categories));
    return dictionary;
}

FeedItem itemOfDictionary(const QVariantMap& dictionary) {
    FeedItem item;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (it.key() == kCategories)
            item.categories = categoriesOfValue(*it);
        else if (it.key() == kHeadlineStandIn)
            item.headlineStandIn = it->toString();
        else
            item.fieldForName(it.key()) = fieldOfValue(*it);
    }
    return item;
}

FeedChannel channelOfDictionary(const QVariantMap& dictionary) {
    FeedChannel channel;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (it.key() == kCategories)
            channel.categories = categoriesOfValue(*it);
        else if (it.key() == kImage)
            channel.image = imageOfDictionary(it->toMap());
        else
            channel.fieldForName(it.key()) = fieldOfValue(*it);
    }
    return channel;
}

QVariantList itemDictionaries(const QList<FeedItem>& items) {
    QVariantList list;
    list.reserve(items.size());
    for (const FeedItem& item : items)
        list.append(dictionaryOfItem(item));
    return list;
}

QList<FeedItem> itemsOfDictionaries(const QVariantList& dictionaries) {
    QList<FeedItem> items;
    items.reserve(dictionaries.size());
    for (const QVariant& dictionary : dictionaries)
        items.append(itemOfDictionary(dictionary.toMap()));
    return items;
}
