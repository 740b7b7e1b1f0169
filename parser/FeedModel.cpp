#include "parser/FeedModel.h"

#include "parser/ItemFields.h"

namespace {

template <typename Fields> auto* namedIn(Fields& others, QStringView name) {
    for (auto& other : others)
        if (other.name == name) return &other.value;
    return static_cast<decltype(&others.first().value)>(nullptr);
}

// The lookups an item and a channel share, over their own lists of members.
template <typename Entry> Field* knownIn(Entry& entry, QStringView name) {
    for (const FieldMember<Entry>& member : Entry::fieldMembers())
        if (name == member.name) return &(entry.*member.field);
    return nullptr;
}

template <typename Entry> const Field* fieldIn(const Entry& entry, QStringView name) {
    if (const Field* known = entry.knownField(name)) return known->isPresent() ? known : nullptr;
    return namedIn(entry.others, name);
}

template <typename Entry> Field& fieldForNameIn(Entry& entry, const QString& name) {
    if (Field* known = entry.knownField(name)) return *known;
    if (Field* other = namedIn(entry.others, name)) return *other;
    entry.others.append(NamedField{name, {}});
    return entry.others.last().value;
}

template <typename Entry> bool noFieldPresent(const Entry& entry) {
    for (const FieldMember<Entry>& member : Entry::fieldMembers())
        if ((entry.*member.field).isPresent()) return false;
    return entry.others.isEmpty();
}

} // namespace

const FieldMembers<FeedItem>& FeedItem::fieldMembers() {
    using namespace itemkeys;
    // The most common elements first: this is looked up at every element's end.
    static const FieldMembers<FeedItem> members{
        {kTitle, &FeedItem::title},         {kLink, &FeedItem::link},
        {kGuid, &FeedItem::guid},           {kDescription, &FeedItem::description},
        {kPubDate, &FeedItem::pubDate},     {kAuthor, &FeedItem::author},
        {kEnclosure, &FeedItem::enclosure}, {kSource, &FeedItem::source},
        {kComments, &FeedItem::comments},   {kContentEncoded, &FeedItem::contentEncoded},
        {kDcDate, &FeedItem::dcDate}};
    return members;
}

Field* FeedItem::knownField(QStringView name) {
    return knownIn(*this, name);
}

const Field* FeedItem::field(QStringView name) const {
    return fieldIn(*this, name);
}

Field& FeedItem::fieldForName(const QString& name) {
    return fieldForNameIn(*this, name);
}

bool FeedItem::isEmpty() const {
    return noFieldPresent(*this) && !categories && headlineStandIn.isNull();
}

QString* FeedImage::knownText(QStringView name) {
    using namespace itemkeys;
    if (name == kURL) return &url;
    if (name == kLink) return &link;
    if (name == kTitle) return &title;
    return nullptr;
}

void FeedImage::storeText(const QString& name, QString text) {
    if (QString* known = knownText(name)) {
        if (known->isNull()) *known = std::move(text);
        return;
    }
    if (namedIn(others, name)) return;
    others.append(NamedField{name, Field::ofText(std::move(text))});
}

const FieldMembers<FeedChannel>& FeedChannel::fieldMembers() {
    using namespace itemkeys;
    static const FieldMembers<FeedChannel> members{{kTitle, &FeedChannel::title},
                                                   {kLink, &FeedChannel::link},
                                                   {kDescription, &FeedChannel::description},
                                                   {kTTL, &FeedChannel::ttl},
                                                   {kLanguage, &FeedChannel::language},
                                                   {kPubDate, &FeedChannel::pubDate},
                                                   {kLastBuildDate, &FeedChannel::lastBuildDate},
                                                   {kGenerator, &FeedChannel::generator},
                                                   {kCopyright, &FeedChannel::copyright},
                                                   {kManagingEditor, &FeedChannel::managingEditor},
                                                   {kWebMaster, &FeedChannel::webMaster},
                                                   {kDcDate, &FeedChannel::dcDate}};
    return members;
}

Field* FeedChannel::knownField(QStringView name) {
    return knownIn(*this, name);
}

const Field* FeedChannel::field(QStringView name) const {
    return fieldIn(*this, name);
}

Field& FeedChannel::fieldForName(const QString& name) {
    return fieldForNameIn(*this, name);
}

bool FeedChannel::isEmpty() const {
    return noFieldPresent(*this) && !image && !categories;
}
