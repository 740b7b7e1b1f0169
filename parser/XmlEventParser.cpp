#include "parser/XmlEventParser.h"

#include <QByteArray>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/encoding.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

XmlEventDelegate::~XmlEventDelegate() = default;

namespace {

// Documents never pull in anything from outside, whatever they declare.
xmlParserInputPtr refuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void initialiseLibxml() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
}

QString fromXmlString(const xmlChar* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

// An HTML named entity a document uses without declaring it, in two forms, made
// with libxml2's public entity calls alone.
//
// In content it is a predefined entity (as &amp; is), made with xmlNewEntity
// and no document: libxml2 hands the characters of a predefined entity on as
// they stand, never parses them again (so it cannot amplify) and writes nothing
// back into it, so one such entity per name serves every parse on every thread.
//
// In an attribute value libxml2 would copy only the first byte of a predefined
// entity, so there it is an internal general entity, whose reference stays in
// the value as written; the value is decoded on its way out (AttributeExpander).
// libxml2 marks a general entity as checked the first time an attribute refers
// to it, so each parse has its own: added with xmlAddDocEntity to a document of
// the parse's own that libxml2 never sees, and freed with it.
QByteArray htmlEntityText(const htmlEntityDesc& description) {
    const char32_t code = description.value;
    return QString::fromUcs4(&code, 1).toUtf8();
}

xmlEntityPtr htmlEntityInContent(const htmlEntityDesc& description) {
    static std::mutex mutex;
    // At most the table's 253 names, kept for the process: libxml2 2.9 has no
    // public call that frees an entity outside a document, and a table destroyed
    // at exit would leave them unreachable.
    static auto* const table = new std::map<std::string, xmlEntityPtr>;
    std::lock_guard guard(mutex);
    xmlEntityPtr& slot = (*table)[description.name];
    if (!slot) {
        const QByteArray text = htmlEntityText(description);
        slot = xmlNewEntity(nullptr, reinterpret_cast<const xmlChar*>(description.name),
                            XML_INTERNAL_PREDEFINED_ENTITY, nullptr, nullptr,
                            reinterpret_cast<const xmlChar*>(text.constData()));
    }
    return slot;
}

class HtmlEntitiesInAttributes {
  public:
    HtmlEntitiesInAttributes() = default;
    HtmlEntitiesInAttributes(const HtmlEntitiesInAttributes&) = delete;
    HtmlEntitiesInAttributes& operator=(const HtmlEntitiesInAttributes&) = delete;
    ~HtmlEntitiesInAttributes() {
        if (holder_) xmlFreeDoc(holder_);
    }

    xmlEntityPtr entity(const htmlEntityDesc& description) {
        const auto* name = reinterpret_cast<const xmlChar*>(description.name);
        if (!holder_) {
            holder_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
            // Entities are added to a document's internal subset.
            if (holder_)
                xmlCreateIntSubset(holder_, reinterpret_cast<const xmlChar*>("html"), nullptr, nullptr);
        }
        if (!holder_) return nullptr;
        if (xmlEntityPtr made = xmlGetDocEntity(holder_, name)) return made;
        const QByteArray text = htmlEntityText(description);
        return xmlAddDocEntity(holder_, name, XML_INTERNAL_GENERAL_ENTITY, nullptr, nullptr,
                               reinterpret_cast<const xmlChar*>(text.constData()));
    }

  private:
    xmlDocPtr holder_ = nullptr;
};

// An attribute value as libxml2 hands it over without entity substitution: a
// literal "&" (written &amp; or &#38;) comes as "&#38;", an entity reference as
// written. References are expanded here as XML expands them in text: character
// references, the document's own internal entities (their replacement text in
// turn, its white space normalised to blanks as in any attribute value) and the
// HTML entities the document did not declare. External and unknown entities
// stay as written. Expansion keeps the parse's bounds: every reference to a
// declared entity counts against the entity budget, and the value may grow only
// as far as the text budget allows.
class AttributeExpander {
  public:
    AttributeExpander(xmlParserCtxtPtr ctxt, long& lookups, long maxLookups)
        : ctxt_(ctxt), lookups_(lookups), maxLookups_(maxLookups) {}

    // Nothing when a bound was passed; failure() then says which.
    std::optional<QString> expand(const xmlChar* begin, const xmlChar* end, std::size_t maxBytes) {
        const auto* text = reinterpret_cast<const char*>(begin);
        const qsizetype length = qsizetype(end - begin);
        expandedBytes_ = std::size_t(length);
        if (!memchr(text, '&', std::size_t(length))) return QString::fromUtf8(text, length);
        maxBytes_ = maxBytes;
        out_.clear();
        out_.reserve(length);
        if (!append(QByteArrayView(text, length), 0)) return std::nullopt;
        expandedBytes_ = std::size_t(out_.size());
        return QString::fromUtf8(out_);
    }
    // The UTF-8 bytes of the last value expanded.
    std::size_t expandedBytes() const { return expandedBytes_; }
    const QString& failure() const { return failure_; }

    // libxml2's own bound on entities nested in entities.
    static constexpr int kMaxNesting = 40;
    // The longest entity name looked up; longer ones stay as written.
    static constexpr qsizetype kMaxReferenceName = 64;

  private:
    bool append(QByteArrayView text, int depth) {
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype amp = text.indexOf('&', i);
            const qsizetype plainEnd = amp < 0 ? text.size() : amp;
            if (!appendPlain(text.sliced(i, plainEnd - i), depth > 0)) return false;
            if (amp < 0) break;
            // The ";" is looked for no further than the longest name allowed, so a
            // value of a million "&" costs a million short looks.
            const qsizetype window = std::min<qsizetype>(text.size() - amp, kMaxReferenceName + 2);
            const qsizetype found = text.sliced(amp, window).indexOf(';');
            const qsizetype semicolon = found < 0 ? -1 : amp + found;
            const qsizetype nameLength = semicolon - amp - 1;
            if (semicolon < 0 || nameLength < 1 || nameLength > kMaxReferenceName) {
                if (!appendPlain(QByteArrayView("&"), false)) return false;
                i = amp + 1;
                continue;
            }
            if (!appendReference(text.sliced(amp, semicolon + 1 - amp), depth)) return false;
            i = semicolon + 1;
        }
        return true;
    }

    // Replacement text keeps its breaks and tabs only as blanks, as the value itself.
    bool appendPlain(QByteArrayView text, bool normalise) {
        if (!grow(text.size())) return false;
        const qsizetype from = out_.size();
        out_.append(text);
        if (normalise)
            for (qsizetype i = from; i < out_.size(); ++i)
                if (out_[i] == '\t' || out_[i] == '\n' || out_[i] == '\r') out_[i] = ' ';
        return true;
    }

    bool appendReference(QByteArrayView reference, int depth) {
        const QByteArray name = reference.sliced(1, reference.size() - 2).toByteArray();
        if (name.startsWith('#')) {
            if (const std::optional<char32_t> code = characterReference(name))
                return appendPlain(QString::fromUcs4(&*code, 1).toUtf8(), false);
            return appendPlain(reference, false);
        }
        const auto* xmlName = reinterpret_cast<const xmlChar*>(name.constData());
        if (xmlEntityPtr predefined = xmlGetPredefinedEntity(xmlName))
            return appendPlain(QByteArrayView(reinterpret_cast<const char*>(predefined->content)), false);
        xmlEntityPtr declared = ctxt_ && ctxt_->myDoc ? xmlGetDocEntity(ctxt_->myDoc, xmlName) : nullptr;
        if (declared) {
            if (declared->etype != XML_INTERNAL_GENERAL_ENTITY || !declared->content)
                return appendPlain(reference, false);
            if (++lookups_ > maxLookups_)
                return fail(QStringLiteral("too many entity references (more than %1)").arg(maxLookups_));
            if (depth >= kMaxNesting) return fail(QStringLiteral("entities nested too deeply"));
            return append(QByteArrayView(reinterpret_cast<const char*>(declared->content)), depth + 1);
        }
        if (const htmlEntityDesc* html = htmlEntityLookup(xmlName)) {
            const char32_t code = html->value;
            return appendPlain(QString::fromUcs4(&code, 1).toUtf8(), false);
        }
        return appendPlain(reference, false);
    }

    // "#38" or "#x26": the character, when it is one XML allows.
    static std::optional<char32_t> characterReference(const QByteArray& name) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == 'x');
        const uint value = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        const bool allowed = value == 0x9 || value == 0xA || value == 0xD ||
                             (value >= 0x20 && value < 0xD800) || (value >= 0xE000 && value <= 0xFFFD) ||
                             (value >= 0x10000 && value <= 0x10FFFF);
        if (!ok || !allowed) return std::nullopt;
        return char32_t(value);
    }

    bool grow(qsizetype bytes) {
        if (std::size_t(out_.size()) + std::size_t(bytes) <= maxBytes_) return true;
        return fail(QStringLiteral("more than %1 bytes of text").arg(qulonglong(maxBytes_)));
    }

    bool fail(const QString& why) {
        failure_ = why;
        return false;
    }

    xmlParserCtxtPtr ctxt_;
    long& lookups_;
    long maxLookups_;
    std::size_t maxBytes_ = 0;
    std::size_t expandedBytes_ = 0;
    QByteArray out_;
    QString failure_;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// UTF-16 and UTF-32, by their byte-order mark or the zero bytes around "<".
bool isWideEncoding(const QByteArray& head) {
    if (head.size() < 2) return false;
    const auto b0 = uchar(head[0]), b1 = uchar(head[1]);
    return b0 == 0 || b1 == 0 || (b0 == 0xFE && b1 == 0xFF) || (b0 == 0xFF && b1 == 0xFE);
}

qsizetype utf8MarkLength(const QByteArray& head) {
    return head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

qsizetype firstNonBlank(const QByteArray& head, qsizetype from) {
    while (from < head.size() && isBlank(head[from]))
        ++from;
    return from;
}

// The XML declaration at the start, up to and with "?>"; empty when there is none.
QByteArray xmlDeclaration(const QByteArray& head) {
    if (!head.startsWith("<?xml") || head.size() < 6 || !isBlank(head[5])) return {};
    const qsizetype end = head.indexOf("?>");
    return end < 0 ? QByteArray() : head.left(end + 2);
}

constexpr qsizetype kMaxHeldBack = 4096;

// The encoding the XML declaration names, lower case; empty when it names none.
QByteArray declaredEncoding(const QByteArray& head) {
    const QByteArray declaration = xmlDeclaration(head);
    const qsizetype key = declaration.indexOf("encoding");
    if (key < 0) return {};
    qsizetype at = declaration.indexOf('=', key);
    if (at < 0) return {};
    at = firstNonBlank(declaration, at + 1);
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
    const qsizetype close = declaration.indexOf(declaration[at], at + 1);
    if (close < 0) return {};
    return declaration.mid(at + 1, close - at - 1).trimmed().toLower();
}

// The names under which servers and documents mean the web's Latin-1, which is
// Windows-1252.
bool meansWindows1252(const QByteArray& lowerName) {
    static const char* const kNames[] = {"iso-8859-1",   "iso8859-1", "iso_8859-1", "latin1",
                                         "latin-1",      "l1",        "cp819",      "ibm819",
                                         "iso-ir-100",   "us-ascii",  "ascii",      "ansi_x3.4-1968",
                                         "windows-1252", "cp1252",    "x-cp1252"};
    for (const char* name : kNames)
        if (lowerName == name) return true;
    return false;
}

bool meansUtf8(const QByteArray& lowerName) {
    return lowerName == "utf-8" || lowerName == "utf8";
}

// Windows-1252 as UTF-8. The five bytes it leaves undefined stay the C1
// controls they are in Latin-1, as browsers read them.
void appendWindows1252AsUtf8(const char* data, std::size_t size, QByteArray& out) {
    static const char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    out.reserve(out.size() + qsizetype(size) * 3 / 2 + 16);
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        const char16_t c = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t(byte);
        if (c < 0x80) {
            out.append(char(c));
        } else if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3F)));
        } else {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        }
    }
}

// What libxml2 reports when it has run into a bound of its own (depth, name or
// text length, entity amplification, memory): those refuse the document even
// when recovering.
bool isLibxmlBound(const xmlError& error, const char* message) {
    return error.code == XML_ERR_INTERNAL_ERROR || error.code == XML_ERR_NO_MEMORY ||
           error.code == XML_ERR_ENTITY_LOOP || error.code == XML_ERR_USER_STOP ||
           std::strstr(message, "XML_PARSE_HUGE") || std::strstr(message, "huge") ||
           std::strstr(message, "Huge");
}

// libxml2 2.12 made the error its structured handler gets const: the handler
// takes whichever this libxml2 declares.
template <typename> struct ErrorArgument;
template <typename E> struct ErrorArgument<void (*)(void*, E)> { using type = E; };
using StructuredError = ErrorArgument<xmlStructuredErrorFunc>::type;

// Bytes that are not the UTF-8 being read.
bool isEncodingFault(const xmlError& error, const char* message) {
    return (error.code == XML_ERR_INVALID_CHAR && std::strstr(message, "not proper UTF-8")) ||
           error.code == XML_ERR_INVALID_ENCODING;
}

} // namespace

namespace {

// libxml2 keeps every name once in its dictionary, so a name comes back at the
// same address: each is decoded once and found again by its address, in a table
// of open addressing (the bytes are kept to make sure). The names stay where
// they are as the table grows: several are lent out at once.
class NameCache {
  public:
    const QString& name(const xmlChar* prefix, const xmlChar* localName) {
        if (slots_.empty()) slots_.resize(64);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash(prefix, localName) & mask;; at = (at + 1) & mask) {
            Slot& slot = slots_[at];
            if (!slot.entry) return add(slot, prefix, localName);
            if (slot.prefix == prefix && slot.localName == localName) {
                Entry& entry = *slot.entry;
                if (!written(entry, prefix, localName)) decode(entry, prefix, localName); // freed and reused
                return entry.name;
            }
        }
    }

  private:
    struct Entry {
        std::string bytes; // as written, prefix included
        QString name;
    };
    struct Slot {
        const xmlChar* prefix = nullptr;
        const xmlChar* localName = nullptr;
        Entry* entry = nullptr;
    };

    static std::size_t hash(const xmlChar* prefix, const xmlChar* localName) {
        const auto mix = [](std::uintptr_t a) { return a * 0x9E3779B97F4A7C15ULL; };
        return std::size_t((mix(std::uintptr_t(localName)) ^ (mix(std::uintptr_t(prefix)) >> 7)) >> 17);
    }

    static bool written(const Entry& entry, const xmlChar* prefix, const xmlChar* localName) {
        const char* bytes = entry.bytes.c_str();
        if (prefix) {
            const std::size_t length = std::strlen(reinterpret_cast<const char*>(prefix));
            if (std::strncmp(bytes, reinterpret_cast<const char*>(prefix), length) != 0 ||
                bytes[length] != ':')
                return false;
            bytes += length + 1;
        }
        return std::strcmp(bytes, reinterpret_cast<const char*>(localName)) == 0;
    }

    static void decode(Entry& entry, const xmlChar* prefix, const xmlChar* localName) {
        entry.bytes.clear();
        if (prefix) entry.bytes.append(reinterpret_cast<const char*>(prefix)).append(1, ':');
        entry.bytes.append(reinterpret_cast<const char*>(localName));
        entry.name = QString::fromUtf8(entry.bytes.data(), qsizetype(entry.bytes.size()));
    }

    const QString& add(Slot& slot, const xmlChar* prefix, const xmlChar* localName) {
        Entry& entry = entries_.emplace_back();
        decode(entry, prefix, localName);
        slot = {prefix, localName, &entry};
        if (2 * entries_.size() > slots_.size()) rehash();
        return entry.name;
    }

    void rehash() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (!slot.entry) continue;
            std::size_t at = hash(slot.prefix, slot.localName) & mask;
            while (slots_[at].entry)
                at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::deque<Entry> entries_;
};

// Feeds repeat the same attributes tag after tag (every guid's isPermaLink,
// every category's domain): a start tag whose attributes were all seen together
// before gets the list made then, shared, so the items that keep it keep one copy.
// Only short lists without references are remembered, and only so many of them:
// a document of unique tags costs a lookup a tag and no more memory.
class RepeatedAttributes {
  public:
    static constexpr std::size_t kMaxValueBytes = 96;
    static constexpr std::size_t kMaxLists = 64;

    // The list made before for these attributes, or null, when they may be kept;
    // the key is kept for remember().
    const Attributes* find(int count, const xmlChar** attributes) {
        key_.clear();
        std::size_t valueBytes = 0;
        for (int i = 0; i < count; ++i) {
            const xmlChar** a = attributes + 5 * i;
            const auto* begin = reinterpret_cast<const char*>(a[3]);
            const std::size_t length = std::size_t(a[4] - a[3]);
            valueBytes += length;
            if (valueBytes > kMaxValueBytes || std::memchr(begin, '&', length)) return failKey();
            // No name or value holds a NUL: the key reads back one way only.
            if (a[1]) key_.append(reinterpret_cast<const char*>(a[1])).append(1, ':');
            key_.append(reinterpret_cast<const char*>(a[0])).append(1, '\0');
            key_.append(begin, length).append(1, '\0');
        }
        keyUsable_ = true;
        const auto found = lists_.find(key_);
        return found == lists_.end() ? nullptr : &found->second;
    }

    void remember(const Attributes& list) {
        if (keyUsable_ && lists_.size() < kMaxLists) lists_.emplace(key_, list);
        keyUsable_ = false;
    }

  private:
    const Attributes* failKey() {
        keyUsable_ = false;
        return nullptr;
    }

    std::string key_;
    bool keyUsable_ = false;
    std::unordered_map<std::string, Attributes> lists_;
};

} // namespace

// libxml2 hands its callbacks the parser context, and for entity content a
// context of its own; the parser being fed on this thread is found here instead.
struct XmlEventParser::Context {
    XmlEventParser& owner;
    xmlParserCtxtPtr ctxt = nullptr;
    long entityLookups = 0;
    long defaultedAttributes = 0;
    int depth = 0;
    // Text is decoded into one reused buffer and lent to the delegate.
    QString text;
    QStringDecoder utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    NameCache names;
    RepeatedAttributes repeated;
    Attributes attributes; // of the start tag being reported
    HtmlEntitiesInAttributes htmlInAttributes;

    QStringView decode(const xmlChar* bytes, int length) {
        if (text.size() < length) text.resize(length);
        char16_t* out = reinterpret_cast<char16_t*>(text.data());
        // Most feed text is ASCII: found eight bytes at a time and widened in a
        // loop the compiler vectorises; the rest is decoded as UTF-8.
        int ascii = 0;
        for (std::uint64_t word; ascii + 8 <= length; ascii += 8) {
            std::memcpy(&word, bytes + ascii, 8);
            if (word & 0x8080808080808080ULL) break;
        }
        while (ascii < length && bytes[ascii] < 0x80)
            ++ascii;
        for (int i = 0; i < ascii; ++i)
            out[i] = bytes[i];
        if (ascii == length) return QStringView(out, length);
        QChar* end =
            utf8.appendToBuffer(reinterpret_cast<QChar*>(out) + ascii,
                                QByteArrayView(reinterpret_cast<const char*>(bytes) + ascii, length - ascii));
        return QStringView(out, reinterpret_cast<char16_t*>(end) - out);
    }

    const QString& name(const xmlChar* prefix, const xmlChar* localName) {
        return names.name(prefix, localName);
    }
    static thread_local XmlEventParser* current;

    explicit Context(XmlEventParser& parser) : owner(parser) {}
    ~Context() {
        if (!ctxt) return;
        // Freeing the context leaves its document alone.
        if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
        xmlFreeParserCtxt(ctxt);
    }

    // Runs libxml2 with this parser as the one its callbacks report to.
    int feed(const char* data, int size, bool terminate) {
        XmlEventParser* previous = current;
        current = &owner;
        // Encoding and input errors also go to libxml2's generic handler, which
        // prints to standard error; the structured one reports them here.
        xmlSetGenericErrorFunc(nullptr, &silence);
        const int result = xmlParseChunk(ctxt, data, size, terminate ? 1 : 0);
        current = previous;
        return result;
    }

    static void silence(void*, const char*, ...) {}

    static XmlEventDelegate* live() { return current && !current->failed_ ? &current->delegate_ : nullptr; }

    static void startDocument(void* ctx) {
        // Builds the empty document that internal entity declarations go into.
        xmlSAX2StartDocument(ctx);
        if (XmlEventDelegate* d = live()) d->parserDidStartDocument();
    }

    // libxml2 splits names at the colon; the delegate gets them as written, and
    // namespace declarations as the xmlns attributes they are in the document.
    static void startElement(void* ctx, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                             int namespaceCount, const xmlChar** namespaces, int attributeCount,
                             int defaulted, const xmlChar** attributes) {
        XmlEventDelegate* d = live();
        if (!d) return;
        if (++current->context_->depth > current->limits_.maxDepth) {
            stop(ctx, QStringLiteral("more than %1 nested elements").arg(current->limits_.maxDepth));
            return;
        }
        // An attribute the document type gives a default costs nothing to write
        // and comes with every start tag of its element.
        current->context_->defaultedAttributes += defaulted;
        if (current->context_->defaultedAttributes > current->limits_.maxDefaultedAttributes) {
            stop(ctx, QStringLiteral("more than %1 attributes from defaults")
                          .arg(current->limits_.maxDefaultedAttributes));
            return;
        }
        Context& c = *current->context_;
        // An element without attributes gets the empty list, which allocates
        // nothing. Another gets a list of its exact size: the delegate may keep it
        // with the item for as long as the item is shown, and a list reused from
        // the tag before would keep that tag's capacity.
        Attributes& map = c.attributes;
        map = Attributes();
        if (attributeCount > 0 || namespaceCount > 0) {
            std::size_t bytes = 0;
            for (int i = 0; i < attributeCount; ++i)
                bytes += std::size_t(attributes[5 * i + 4] - attributes[5 * i + 3]);
            if (!current->countText(bytes)) return;
            const Attributes* seen =
                namespaceCount == 0 ? c.repeated.find(attributeCount, attributes) : nullptr;
            if (seen) {
                map = *seen;
            } else {
                map.reserve(attributeCount + namespaceCount);
                if (!attributesOf(ctx, namespaceCount, namespaces, attributeCount, attributes, map)) return;
                if (namespaceCount == 0) c.repeated.remember(map);
            }
        }
        if (d->wantsNamespaces()) {
            // Most names have no prefix: the local name is the name, found once.
            const QString& name = c.name(prefix, localName);
            d->didStartElementNs(name, uri ? c.name(nullptr, uri) : QString(),
                                 prefix ? c.name(nullptr, localName) : name, map);
        } else
            d->didStartElement(c.name(prefix, localName), map);
    }

    // The attributes and namespace declarations of a start tag, their values
    // expanded; false when that passed a bound (the parse is stopped then).
    static bool attributesOf(void* ctx, int namespaceCount, const xmlChar** namespaces, int attributeCount,
                             const xmlChar** attributes, Attributes& map) {
        XmlEventParser& parser = *current;
        AttributeExpander expander(static_cast<xmlParserCtxtPtr>(ctx), parser.context_->entityLookups,
                                   parser.limits_.maxEntityLookups);
        for (int i = 0; i < namespaceCount; ++i) {
            // Declared prefixes are names of the dictionary too: "xmlns:p" is cached as
            // the prefixed name p of the literal below, whose address never changes.
            static constexpr xmlChar kXmlns[] = "xmlns";
            const xmlChar* declared = namespaces[2 * i];
            const QString& key =
                declared ? parser.context_->name(kXmlns, declared) : parser.context_->name(nullptr, kXmlns);
            map.append(
                Attribute{key, namespaces[2 * i + 1] ? fromXmlString(namespaces[2 * i + 1]) : QString()});
        }
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            // The value as written is counted already; what expansion adds is counted too.
            const std::size_t written = std::size_t(a[4] - a[3]);
            std::optional<QString> value =
                expander.expand(a[3], a[4], written + parser.limits_.maxTextBytes - parser.textBytes_);
            if (!value) {
                stop(ctx, expander.failure());
                return false;
            }
            const std::size_t grown = expander.expandedBytes();
            if (grown > written && !parser.countText(grown - written)) return false;
            // Well-formed XML repeats no attribute, and recovering libxml2 drops a repeat.
            map.append(Attribute{parser.context_->name(a[1], a[0]), std::move(*value)});
        }
        return true;
    }

    static void endElement(void*, const xmlChar* localName, const xmlChar* prefix, const xmlChar*) {
        XmlEventParser* parser = current;
        if (!parser || parser->failed_) return;
        Context& c = *parser->context_;
        --c.depth;
        parser->delegate_.didEndElement(c.name(prefix, localName));
    }

    // Called for every run of text and for every character or entity reference
    // in it: the common path reads the thread's parser once.
    static void characters(void*, const xmlChar* text, int length) {
        XmlEventParser* parser = current;
        if (!parser || parser->failed_ || !parser->countText(std::size_t(length))) return;
        parser->delegate_.foundCharacters(parser->context_->decode(text, length));
    }

    static void ignorableWhitespace(void*, const xmlChar* text, int length) {
        XmlEventParser* parser = current;
        if (!parser || parser->failed_ || !parser->countText(std::size_t(length))) return;
        parser->delegate_.foundIgnorableWhitespace(parser->context_->decode(text, length));
    }

    // libxml2 re-parses an internal entity at every reference when no tree is
    // built, so nested entities cost time exponential in their depth long before
    // its amplification check trips. Entity references are counted instead; past
    // the budget every context that asks is stopped, which cuts each nested parse
    // short at its first reference.
    //
    // A name the document does not declare may be an HTML entity, which feeds
    // use as if XML had them.
    static xmlEntityPtr getEntity(void* ctx, const xmlChar* name) {
        const long budget = current ? current->limits_.maxEntityLookups : 0;
        if (current && ++current->context_->entityLookups > budget) {
            stop(ctx, QStringLiteral("too many entity references (more than %1)").arg(budget));
            return nullptr;
        }
        if (xmlEntityPtr declared = xmlSAX2GetEntity(ctx, name)) return declared;
        const auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        if (ctxt && ctxt->inSubset != 0) return nullptr; // declarations keep the strict rules
        const htmlEntityDesc* html = htmlEntityLookup(name);
        if (!html) return nullptr;
        if (ctxt && ctxt->instate == XML_PARSER_CONTENT) return htmlEntityInContent(*html);
        return current ? current->context_->htmlInAttributes.entity(*html) : nullptr;
    }

    // Ends the parse at the first fatal error, in the context that reported it
    // (an entity's own, perhaps) and in the document's.
    static void stop(void* ctx, const QString& description, Failure failure = Failure::Bound) {
        if (ctx) xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
        if (!current) return;
        if (current->context_ && current->context_->ctxt != ctx) xmlStopParser(current->context_->ctxt);
        if (!current->failed_) current->noteFatalError(description, failure);
    }

    static xmlParserInputPtr resolveEntity(void*, const xmlChar*, const xmlChar*) { return nullptr; }

    // Every attribute the document type gives a default is added to each start
    // tag of its element, past the start-tag guard, and checked against the
    // others pairwise: their number is bounded. Nothing else of them is kept.
    static void attributeDecl(void* ctx, const xmlChar*, const xmlChar*, int, int, const xmlChar*,
                              xmlEnumerationPtr tree) {
        if (tree) xmlFreeEnumeration(tree);
        if (!current) return;
        if (++current->attributeDeclarations_ > current->limits_.maxAttributeDeclarations)
            stop(ctx, QStringLiteral("more than %1 attribute declarations")
                          .arg(current->limits_.maxAttributeDeclarations));
    }

    static void structuredError(void* ctx, StructuredError error) {
        if (!error || error->level != XML_ERR_FATAL || !current || current->failed_) return;
        const char* raw = error->message ? error->message : "unknown error";
        Failure failure = Failure::Syntax;
        if (isLibxmlBound(*error, raw))
            failure = Failure::Bound;
        else if (isEncodingFault(*error, raw))
            failure = Failure::Encoding;
        // A recovering parse may meet a fault at every byte: past the first, the
        // message is not even made.
        if (current->recovering_ && failure == Failure::Syntax && !current->firstRepair_.isEmpty()) return;
        // libxml2's messages may hold a line break (the bytes of an encoding fault).
        QString message = QString::fromUtf8(raw).simplified();
        // libxml2 says this of a document cut off inside its elements too.
        if (error->code == XML_ERR_DOCUMENT_END && current->context_ && current->context_->depth > 0)
            message =
                QStringLiteral("Premature end of data: %1 elements not closed").arg(current->context_->depth);
        if (error->line > 0) message += QStringLiteral(" (line %1)").arg(error->line);
        if (current->recovering_ && failure == Failure::Syntax) {
            current->firstRepair_ = message;
            return;
        }
        stop(ctx, message, failure);
    }
};

thread_local XmlEventParser* XmlEventParser::Context::current = nullptr;

XmlEventParser::XmlEventParser(XmlEventDelegate& delegate, XmlParseLimits limits)
    : delegate_(delegate), limits_(limits),
      guard_(StartTagLimits{limits.maxStartTagBytes, limits.maxAttributes, limits.maxNamespacesInScope,
                            limits.maxDepth}) {
    initialiseLibxml();
}

XmlEventParser::~XmlEventParser() = default;

void XmlEventParser::noteFatalError(const QString& description, Failure failure) {
    failed_ = true;
    failure_ = failure;
    error_ = description;
    delegate_.parseErrorOccurred(description);
}

bool XmlEventParser::countText(std::size_t bytes) {
    textBytes_ += bytes;
    if (textBytes_ <= limits_.maxTextBytes) return true;
    Context::stop(context_ ? context_->ctxt : nullptr,
                  QStringLiteral("more than %1 bytes of text").arg(qulonglong(limits_.maxTextBytes)));
    return false;
}

// libxml2 detects the encoding from the first four bytes; what the XML
// declaration names (or does not) is judged here, on the whole declaration.
bool XmlEventParser::headIsComplete() const {
    if (head_.size() < 4) return false;
    if (isWideEncoding(head_) || head_.size() >= kMaxHeldBack) return true;
    const qsizetype start = firstNonBlank(head_, utf8MarkLength(head_));
    if (start + 4 > head_.size()) return false;
    const QByteArrayView rest = QByteArrayView(head_).sliced(start);
    if (rest.size() < 5 && QByteArrayView("<?xml").startsWith(rest)) return false;
    if (!rest.startsWith("<?xml")) return true;
    return head_.indexOf("?>", start) >= 0;
}

// head: the first bytes, leading blanks gone. Sets the parser's options too,
// which depend on the encoding.
void XmlEventParser::chooseEncoding(const QByteArray& head) {
    int options =
        XML_PARSE_NONET; // no network, no DTD loading, no entity substitution beyond the document's own
    if (recovering_) options |= XML_PARSE_RECOVER;
    const bool marked = isWideEncoding(head) || utf8MarkLength(head) > 0;
    const QByteArray declared = marked ? QByteArray() : declaredEncoding(head);
    const QByteArray fallback = fallbackEncoding_.toLower();
    bool known = false; // the transport's charset, when libxml2 has a converter for it
    if (!marked) {
        if (!declared.isEmpty()) {
            windows1252_ = meansWindows1252(declared);
        } else if (meansWindows1252(fallback)) {
            windows1252_ = true;
        } else if (!fallback.isEmpty() && !meansUtf8(fallback)) {
            if (xmlCharEncodingHandlerPtr handler =
                    xmlFindCharEncodingHandler(fallbackEncoding_.constData())) {
                known = true;
                xmlCharEncCloseFunc(handler);
            }
        }
        encodingAssumed_ = declared.isEmpty() && !windows1252_ && !known && !meansUtf8(fallback);
    }
    // Resetting a push parser that has had no bytes yet is how the public API
    // names the encoding of what follows. It comes first: the options stay.
    if (known) xmlCtxtResetPush(context_->ctxt, nullptr, 0, nullptr, fallbackEncoding_.constData());
    // The declaration is not heard: these bytes reach libxml2 as UTF-8.
    if (windows1252_) options |= XML_PARSE_IGNORE_ENC;
    xmlCtxtUseOptions(context_->ctxt, options);
}

bool XmlEventParser::ensureContext(bool terminate) {
    if (context_) return true;
    if (!terminate && !headIsComplete()) return false;
    xmlSAXHandler sax;
    xmlSAXVersion(&sax, 2);
    sax.startElementNs = &Context::startElement;
    sax.endElementNs = &Context::endElement;
    sax.startElement = nullptr;
    sax.endElement = nullptr;
    sax.startDocument = &Context::startDocument;
    sax.endDocument = nullptr;
    sax.characters = &Context::characters;
    sax.cdataBlock = &Context::characters;
    sax.ignorableWhitespace = &Context::ignorableWhitespace;
    sax.reference = nullptr;
    sax.comment = nullptr;
    sax.processingInstruction = nullptr;
    sax.externalSubset = nullptr;
    sax.resolveEntity = &Context::resolveEntity;
    sax.attributeDecl = &Context::attributeDecl;
    sax.getEntity = &Context::getEntity;
    sax.warning = nullptr;
    sax.error = nullptr;
    sax.fatalError = nullptr;
    sax.serror = &Context::structuredError;

    context_ = std::make_unique<Context>(*this);
    context_->ctxt = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
    if (!context_->ctxt) {
        context_.reset();
        noteFatalError(QStringLiteral("cannot create the XML parser"));
        return false;
    }
    return true;
}

namespace {

// White space before the first "<" goes (after a UTF-8 byte-order mark, which
// stays): XML allows none before its declaration, and sites print some anyway.
QByteArray withoutLeadingBlanks(const QByteArray& head) {
    if (isWideEncoding(head)) return head;
    const qsizetype mark = utf8MarkLength(head);
    const qsizetype start = firstNonBlank(head, mark);
    if (start == mark || start >= head.size() || head[start] != '<') return head;
    return head.left(mark) + head.mid(start);
}

} // namespace

bool XmlEventParser::parseChunk(const char* data, std::size_t size) {
    if (failed_ || finished_) return !failed_;
    documentBytes_ += size;
    if (documentBytes_ > limits_.maxDocumentBytes) {
        if (context_) xmlStopParser(context_->ctxt);
        noteFatalError(QStringLiteral("larger than %1 bytes").arg(qulonglong(limits_.maxDocumentBytes)));
        return false;
    }
    QByteArray head;
    if (!context_) {
        head_.append(data, qsizetype(size));
        if (!ensureContext(false)) return !failed_;
        head = withoutLeadingBlanks(std::exchange(head_, QByteArray()));
        chooseEncoding(head);
        guard_.setEncodingFromHead(head.constData(), std::size_t(head.size()));
        data = head.constData();
        size = std::size_t(head.size());
    }
    feedGuarded(data, size);
    return !failed_;
}

// libxml2 gets the bytes up to a start tag the guard refuses, then the parse ends
// with the guard's reason.
void XmlEventParser::feedGuarded(const char* data, std::size_t size) {
    QByteArray converted;
    if (windows1252_) {
        appendWindows1252AsUtf8(data, size, converted);
        data = converted.constData();
        size = std::size_t(converted.size());
    }
    const std::size_t passed = guard_.scan(data, size);
    for (std::size_t fed = 0; fed < passed && !failed_;) {
        const int piece = int(std::min<std::size_t>(passed - fed, 1 << 20));
        context_->feed(data + fed, piece, false);
        fed += std::size_t(piece);
    }
    if (guard_.refused() && !failed_) {
        xmlStopParser(context_->ctxt);
        noteFatalError(guard_.refusal());
    }
}

bool XmlEventParser::finish() {
    if (finished_ || failed_) return false;
    if (!context_) {
        ensureContext(true);
        if (failed_) return false;
        const QByteArray head = withoutLeadingBlanks(std::exchange(head_, QByteArray()));
        chooseEncoding(head);
        guard_.setEncodingFromHead(head.constData(), std::size_t(head.size()));
        if (!head.isEmpty()) feedGuarded(head.constData(), std::size_t(head.size()));
    }
    if (!failed_) context_->feed(nullptr, 0, true);
    finished_ = true;
    if (!failed_ && !context_->ctxt->wellFormed && recovering_ && firstRepair_.isEmpty())
        firstRepair_ = QStringLiteral("the document is not well formed");
    if (failed_ || (!context_->ctxt->wellFormed && !recovering_)) {
        if (!failed_) noteFatalError(QStringLiteral("the document is not well formed"), Failure::Syntax);
        return false;
    }
    delegate_.parserDidEndDocument();
    return true;
}

bool XmlEventParser::parse(const QByteArray& document) {
    parseChunk(document.constData(), std::size_t(document.size()));
    return finish();
}
