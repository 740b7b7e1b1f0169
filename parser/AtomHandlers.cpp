#include "parser/AtomHandlers.h"

#include "parser/FeedText.h"
#include "parser/HtmlText.h"
#include "parser/ItemFields.h"

#include <QHash>

const QString AtomHandlers::kNamespace = QStringLiteral("http://www.w3.org/2005/Atom");
const QString AtomHandlers::kNamespace03 = QStringLiteral("http://purl.org/atom/ns#");

namespace {

const QString kXhtmlNamespace = QStringLiteral("http://www.w3.org/1999/xhtml");

QString attribute(const Attributes& attributes, const char* name) {
    for (const Attribute& a : attributes)
        if (a.name == QLatin1String(name)) return a.value;
    return QString();
}

// A link relation as a short name: absent means "alternate", and the IANA
// registry's IRIs name the same relations.
QString relationOf(const Attributes& attributes) {
    QString rel = attribute(attributes, "rel").trimmed();
    rel.remove(QStringLiteral("http://www.iana.org/assignments/relation/"));
    return rel.isEmpty() ? QStringLiteral("alternate") : rel.toLower();
}

// How well a link of this type suits a reader: a page beats anything else.
int pageRank(const QString& type) {
    const QString t = type.trimmed().toLower();
    return t.isEmpty() || t == QLatin1String("text/html") || t == QLatin1String("application/xhtml+xml") ? 2
                                                                                                         : 1;
}

bool isVoidElement(const QString& name) {
    static const QStringList kVoid{QStringLiteral("area"),  QStringLiteral("br"),     QStringLiteral("col"),
                                   QStringLiteral("embed"), QStringLiteral("hr"),     QStringLiteral("img"),
                                   QStringLiteral("input"), QStringLiteral("source"), QStringLiteral("wbr")};
    return kVoid.contains(name);
}

// Atom 0.3's names for the elements Atom 1.0 renamed.
QString atom10Name(const QString& localName) {
    static const QHash<QString, QString> kRenamed{{QStringLiteral("modified"), QStringLiteral("updated")},
                                                  {QStringLiteral("issued"), QStringLiteral("published")},
                                                  {QStringLiteral("tagline"), QStringLiteral("subtitle")},
                                                  {QStringLiteral("copyright"), QStringLiteral("rights")}};
    return kRenamed.value(localName, localName);
}

} // namespace

AtomHandlers::Role AtomHandlers::parentRole() const {
    return frames_.empty() ? Role::Other : frames_.back().role;
}

void AtomHandlers::didStartElementNs(const QString& name, const QString& namespaceURI,
                                     const QString& localName, const Attributes& attributes) {
    Frame frame;
    const bool atom03 = namespaceURI == kNamespace03;
    frame.localName = atom03 && !capturing_ ? atom10Name(localName) : localName;
    frame.atom = namespaceURI == kNamespace || atom03;
    frame.atom03 = atom03;
    frame.base = frames_.empty() ? documentURL_ : frames_.back().base;
    if (const QString xmlBase = attributeValue(attributes, u"xml:base"); !xmlBase.isNull()) {
        const QUrl given(xmlBase.trimmed(), QUrl::TolerantMode);
        frame.base = frame.base.isValid() && !frame.base.isRelative() ? frame.base.resolved(given) : given;
    }
    if (capturing_) {
        ++captureDepth_;
        // The div that wraps an XHTML text is not part of it.
        frame.wrapper = captureDepth_ == 1 && namespaceURI == kXhtmlNamespace && localName == u"div";
        if (captureKind_ == TextKind::Xhtml && !frame.wrapper) {
            captured_ += u'<' + localName;
            for (const Attribute* a : attributesByName(attributes)) {
                if (a->name.startsWith(QLatin1String("xmlns")) || a->name.startsWith(QLatin1String("xml:")))
                    continue;
                captured_ += u' ' + a->name + QStringLiteral("=\"") + a->value.toHtmlEscaped() + u'"';
            }
            captured_ += isVoidElement(localName) ? QStringLiteral("/>") : QStringLiteral(">");
        }
        (void)name;
    } else if (frame.atom) {
        startAtomElement(frame.localName, attributes, frame);
    }
    frames_.push_back(std::move(frame));
}

void AtomHandlers::startAtomElement(const QString& localName, const Attributes& attributes, Frame& frame) {
    const Role parent = parentRole();
    if (frames_.empty()) {
        if (localName == u"feed") {
            frame.role = Role::Feed;
            sawFeed_ = true;
        }
        return;
    }
    if (parent != Role::Feed && parent != Role::Entry && parent != Role::Source && parent != Role::Person)
        return;
    if (localName == u"link" && parent != Role::Person) {
        frame.role = Role::Link;
        addLink(attributes, frame.base);
        return;
    }
    if (localName == u"category" && (parent == Role::Feed || parent == Role::Entry)) {
        frame.role = Role::Category;
        addCategory(attributes);
        return;
    }
    if (localName == u"entry" && parent == Role::Feed) {
        frame.role = Role::Entry;
        if (qsizetype(entries_.size()) < kMaxItemsPerFeed) {
            entries_.emplace_back();
        } else {
            ++entriesLeftOut_;
            leftOut_ = {};
        }
        return;
    }
    if (localName == u"source" && parent == Role::Entry) {
        frame.role = Role::Source;
        return;
    }
    if ((localName == u"author") && (parent == Role::Feed || parent == Role::Entry)) {
        frame.role = Role::Person;
        person_ = {};
        return;
    }
    static const QStringList kFeedTexts{QStringLiteral("title"),   QStringLiteral("subtitle"),
                                        QStringLiteral("rights"),  QStringLiteral("generator"),
                                        QStringLiteral("updated"), QStringLiteral("logo"),
                                        QStringLiteral("icon")};
    static const QStringList kEntryTexts{QStringLiteral("title"),     QStringLiteral("id"),
                                         QStringLiteral("summary"),   QStringLiteral("content"),
                                         QStringLiteral("published"), QStringLiteral("updated")};
    const bool wanted = (parent == Role::Feed && kFeedTexts.contains(localName)) ||
                        (parent == Role::Entry && kEntryTexts.contains(localName)) ||
                        (parent == Role::Source && localName == u"title") ||
                        (parent == Role::Person && (localName == u"name" || localName == u"email"));
    if (!wanted) return;
    // Content kept elsewhere (src) or not text at all (a base64 image) has no text
    // for the description window.
    if (localName == u"content" && !attribute(attributes, "src").isEmpty()) return;
    if (!chooseTextKind(attributes, frame.atom03)) return;
    frame.role = Role::TextConstruct;
    capturing_ = true;
    captureDepth_ = 0;
    captured_.clear();
}

// How the text of an element with these attributes is written; false when it is
// no text to read (base64, or a type that is not text).
bool AtomHandlers::chooseTextKind(const Attributes& attributes, bool atom03) {
    const QString type = attribute(attributes, "type").trimmed().toLower();
    if (atom03) {
        // Types are MIME types there, text/plain when absent; the mode says whether
        // markup is escaped or inline.
        const QString mode = attribute(attributes, "mode").trimmed().toLower();
        if (mode == u"base64") return false;
        const bool html = type.contains(QLatin1String("html"));
        if (!type.isEmpty() && !type.startsWith(QLatin1String("text/")) && !html) return false;
        if (mode == u"escaped")
            captureKind_ = html ? TextKind::Html : TextKind::Text;
        else
            captureKind_ = html ? TextKind::Xhtml : TextKind::Text;
        return true;
    }
    if (type.isEmpty() || type == u"text" || type.startsWith(QLatin1String("text/")))
        captureKind_ = type == u"text/html" ? TextKind::Html : TextKind::Text;
    else if (type == u"html")
        captureKind_ = TextKind::Html;
    else if (type == u"xhtml" || type.endsWith(QLatin1String("xml")))
        captureKind_ = TextKind::Xhtml;
    else
        return false;
    return true;
}

void AtomHandlers::dropUnfinishedEntry() {
    for (const Frame& frame : frames_)
        if (frame.role == Role::Entry) {
            entries_.pop_back();
            return;
        }
}

void AtomHandlers::addLink(const Attributes& attributes, const QUrl& base) {
    const QString href = resolvedLink(base, attribute(attributes, "href"));
    if (href.isEmpty()) return;
    const QString rel = relationOf(attributes);
    const QString type = attribute(attributes, "type");
    const Role parent = parentRole();
    if (parent == Role::Source) {
        if (rel == u"self" && currentEntry().sourceSelf.isEmpty()) currentEntry().sourceSelf = href;
        return;
    }
    if (rel == u"alternate") {
        int& rank = parent == Role::Feed ? channelLinkRank_ : currentEntry().linkRank;
        Field& link = parent == Role::Feed ? channel_.link : currentEntry().item.link;
        if (pageRank(type) > rank) {
            rank = pageRank(type);
            link = Field::ofText(href);
        }
        return;
    }
    if (parent != Role::Entry) return;
    Entry& entry = currentEntry();
    if (rel == u"enclosure" && !entry.item.enclosure.isPresent()) {
        Field enclosure;
        enclosure.attributes.append(Attribute{itemkeys::kURL, href});
        // The link's attributes of these names are the enclosure's own.
        for (const QString& key : {itemkeys::kLength, itemkeys::kType})
            if (const QString given = attributeValue(attributes, key); !given.isNull())
                enclosure.attributes.append(Attribute{key, given});
        entry.item.enclosure = std::move(enclosure);
    } else if (rel == u"replies") {
        QString& slot = pageRank(type) == 2 ? entry.commentsPage : entry.commentsOther;
        if (slot.isEmpty()) slot = href;
    }
}

void AtomHandlers::addCategory(const Attributes& attributes) {
    const QString term = attribute(attributes, "term").trimmed();
    if (term.isEmpty()) return;
    if (parentRole() == Role::Feed)
        channelCategories_.append(Field::ofText(term));
    else
        currentEntry().categories.append(Field::ofText(term));
}

void AtomHandlers::foundCharacters(QStringView text) {
    if (!capturing_) return;
    if (captureKind_ == TextKind::Xhtml)
        captured_ += text.toString().toHtmlEscaped();
    else
        captured_ += text;
}

void AtomHandlers::foundIgnorableWhitespace(QStringView whitespace) {
    foundCharacters(whitespace);
}

void AtomHandlers::didEndElement(const QString&) {
    if (frames_.empty()) return;
    const Frame frame = std::move(frames_.back());
    frames_.pop_back();
    if (capturing_ && captureDepth_ > 0) {
        --captureDepth_;
        if (captureKind_ == TextKind::Xhtml && !frame.wrapper && !isVoidElement(frame.localName))
            captured_ += QStringLiteral("</") + frame.localName + u'>';
        return;
    }
    if (frame.atom) endAtomElement(frame);
    if (frame.role == Role::TextConstruct) {
        capturing_ = false;
        captured_.clear();
    }
}

QString AtomHandlers::capturedPlainText() const {
    return captureKind_ == TextKind::Text ? captured_.trimmed() : plainTextOfHtml(captured_);
}

QString AtomHandlers::capturedHtml() const {
    return captureKind_ == TextKind::Text ? htmlOfPlainText(captured_.trimmed()) : captured_.trimmed();
}

void AtomHandlers::endAtomElement(const Frame& frame) {
    const Role parent = parentRole();
    const QString& name = frame.localName;
    if (frame.role == Role::Person) {
        if (parent == Role::Feed && !hasFeedAuthor_) {
            feedAuthor_ = person_;
            hasFeedAuthor_ = true;
        } else if (parent == Role::Entry && !currentEntry().hasAuthor) {
            currentEntry().author = person_;
            currentEntry().hasAuthor = true;
        }
        return;
    }
    if (frame.role != Role::TextConstruct) return;
    // An element without text leaves no entry, as in RSS.
    if (captured_.trimmed().isEmpty()) return;
    const QString text = capturedPlainText();
    if (text.isEmpty() && name != u"subtitle" && name != u"summary" && name != u"content") return;
    if (parent == Role::Person) {
        (name == u"name" ? person_.name : person_.email) = text;
    } else if (parent == Role::Source) {
        currentEntry().sourceTitle = text;
    } else if (parent == Role::Feed) {
        if (name == u"title")
            channel_.title = Field::ofText(text);
        else if (name == u"subtitle")
            channel_.description = Field::ofText(capturedHtml());
        else if (name == u"rights")
            channel_.copyright = Field::ofText(text);
        else if (name == u"generator")
            channel_.generator = Field::ofText(text);
        else if (name == u"updated")
            channel_.lastBuildDate = Field::ofText(rssDateOfIsoDate(text));
        else if (name == u"logo")
            logo_ = resolvedLink(frame.base, text);
        else if (name == u"icon")
            icon_ = resolvedLink(frame.base, text);
    } else if (parent == Role::Entry) {
        Entry& entry = currentEntry();
        if (name == u"title")
            entry.item.title = Field::ofText(text);
        else if (name == u"id")
            entry.item.guid = Field::ofText(text);
        else if (name == u"summary")
            entry.summary = capturedHtml();
        else if (name == u"content")
            entry.content = capturedHtml();
        else if (name == u"published")
            entry.published = text;
        else if (name == u"updated")
            entry.updated = text;
    }
}

FeedItem AtomHandlers::itemOf(const Entry& entry) const {
    FeedItem item = entry.item;
    const QString description = entry.summary.isEmpty() ? entry.content : entry.summary;
    if (!description.isEmpty()) item.description = Field::ofText(description);
    const QString date = entry.published.isEmpty() ? entry.updated : entry.published;
    if (!date.isEmpty()) item.pubDate = Field::ofText(rssDateOfIsoDate(date));
    // An entry without an author of its own has the feed's.
    const Person& person = entry.hasAuthor ? entry.author : feedAuthor_;
    const QString author = rssAuthor(person.name, person.email);
    if (!author.isEmpty()) item.author = Field::ofText(author);
    if (!entry.categories.isEmpty()) item.categories = entry.categories;
    const QString comments = entry.commentsPage.isEmpty() ? entry.commentsOther : entry.commentsPage;
    if (!comments.isEmpty()) item.comments = Field::ofText(comments);
    if (!entry.sourceSelf.isEmpty()) {
        item.source.attributes = {Attribute{itemkeys::kURL, entry.sourceSelf}};
        if (!entry.sourceTitle.isEmpty()) item.source.text = entry.sourceTitle;
    } else if (!entry.sourceTitle.isEmpty()) {
        item.source = Field::ofText(entry.sourceTitle);
    }
    return item;
}

ParsedFeed AtomHandlers::feedDictionary() const {
    ParsedFeed feed;
    if (!sawFeed_) return feed;
    FeedChannel& channel = feed.channel.emplace(channel_);
    if (!channelCategories_.isEmpty()) channel.categories = channelCategories_;
    const QString image = logo_.isEmpty() ? icon_ : logo_;
    if (!image.isEmpty()) {
        FeedImage& logo = channel.image.emplace();
        logo.url = image;
        if (channel_.link.isPresent()) logo.link = channel_.link.text;
    }
    if (!entries_.empty()) {
        QList<FeedItem> items;
        items.reserve(qsizetype(entries_.size()));
        for (const Entry& entry : entries_)
            items.append(itemOf(entry));
        feed.items = std::move(items);
    }
    feed.itemsLeftOut = entriesLeftOut_;
    return feed;
}
