#include "parser/FeedModel.h"

#include "parser/ItemFields.h"

namespace {

template <typename Fields> auto* namedIn(Fields& others, QStringView name) {
    for (auto& other : others)
        if (other.name == name) return &other.value;
    return static_cast<decltype(&others.first().value)>(nullptr);
}

} // namespace

Field* FeedItem::knownField(QStringView name) {
    using namespace itemkeys;
    if (name == kTitle) return &title;
    if (name == kLink) return &link;
    if (name == kGuid) return &guid;
    if (name == kDescription) return &description;
    if (name == kPubDate) return &pubDate;
    if (name == kAuthor) return &author;
    if (name == kEnclosure) return &enclosure;
    if (name == kSource) return &source;
    if (name == kComments) return &comments;
    if (name == kContentEncoded) return &contentEncoded;
    if (name == kDcDate) return &dcDate;
    return nullptr;
}

const Field* FeedItem::field(QStringView name) const {
    if (const Field* known = knownField(name)) return known->isPresent() ? known : nullptr;
    return namedIn(others, name);
}

Field& FeedItem::fieldForName(const QString& name) {
    if (Field* known = knownField(name)) return *known;
    if (Field* other = namedIn(others, name)) return *other;
    others.append(NamedField{name, {}});
    return others.last().value;
}

bool FeedItem::isEmpty() const {
    for (const Field* f : {&title, &link, &guid, &description, &contentEncoded, &pubDate, &dcDate, &comments,
                           &author, &enclosure, &source})
        if (f->isPresent()) return false;
    return !categories && headlineStandIn.isNull() && others.isEmpty();
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

Field* FeedChannel::knownField(QStringView name) {
    using namespace itemkeys;
    if (name == kTitle) return &title;
    if (name == kLink) return &link;
    if (name == kDescription) return &description;
    if (name == kTTL) return &ttl;
    if (name == kLanguage) return &language;
    if (name == kPubDate) return &pubDate;
    if (name == kLastBuildDate) return &lastBuildDate;
    if (name == kGenerator) return &generator;
    if (name == kCopyright) return &copyright;
    if (name == kManagingEditor) return &managingEditor;
    if (name == kWebMaster) return &webMaster;
    if (name == kDcDate) return &dcDate;
    return nullptr;
}

const Field* FeedChannel::field(QStringView name) const {
    if (const Field* known = knownField(name)) return known->isPresent() ? known : nullptr;
    return namedIn(others, name);
}

Field& FeedChannel::fieldForName(const QString& name) {
    if (Field* known = knownField(name)) return *known;
    if (Field* other = namedIn(others, name)) return *other;
    others.append(NamedField{name, {}});
    return others.last().value;
}

bool FeedChannel::isEmpty() const {
    for (const Field* f : {&title, &link, &description, &ttl, &managingEditor, &webMaster, &language,
                           &copyright, &pubDate, &dcDate, &lastBuildDate, &generator})
        if (f->isPresent()) return false;
    return !image && !categories && others.isEmpty();
}
