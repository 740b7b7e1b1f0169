#include "platform/XmlEventParser.h"

#include <QByteArray>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace platform {

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

// An HTML named entity, in two forms. In content libxml2 takes it as a predefined
// one (&amp;): its characters are handed on as they stand, never parsed again, so
// it cannot amplify. In an attribute value libxml2 would copy only the first byte
// of a predefined one, so there it is an internal entity, already checked, whose
// reference stays in the value as written; the value is decoded on its way out.
struct HtmlEntity {
    std::string name;
    std::string content;
    xmlEntity inContent{};
    xmlEntity inAttribute{};
};

xmlEntityPtr htmlEntity(const xmlChar* name, bool inContent) {
    const htmlEntityDesc* description = htmlEntityLookup(name);
    if (!description) return nullptr;
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<HtmlEntity>> table; // at most the table's 253 names
    std::lock_guard guard(mutex);
    std::unique_ptr<HtmlEntity>& slot = table[description->name];
    if (!slot) {
        slot = std::make_unique<HtmlEntity>();
        slot->name = description->name;
        const char32_t code = description->value;
        slot->content = QString::fromUcs4(&code, 1).toStdString();
        for (xmlEntity* e : {&slot->inContent, &slot->inAttribute}) {
            e->type = XML_ENTITY_DECL;
            e->name = reinterpret_cast<const xmlChar*>(slot->name.c_str());
            e->content = reinterpret_cast<xmlChar*>(slot->content.data());
            e->orig = e->content;
            e->length = int(slot->content.size());
        }
        slot->inContent.etype = XML_INTERNAL_PREDEFINED_ENTITY;
        slot->inAttribute.etype = XML_INTERNAL_GENERAL_ENTITY;
        slot->inAttribute.checked = 2; // no references inside, no "<": nothing for libxml2 to write back
    }
    return inContent ? &slot->inContent : &slot->inAttribute;
}

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

  private:
    bool append(QByteArrayView text, int depth) {
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype amp = text.indexOf('&', i);
            const qsizetype plainEnd = amp < 0 ? text.size() : amp;
            if (!appendPlain(text.sliced(i, plainEnd - i), depth > 0)) return false;
            if (amp < 0) break;
            const qsizetype semicolon = text.indexOf(';', amp);
            const qsizetype nameLength = semicolon - amp - 1;
            if (semicolon < 0 || nameLength < 1 || nameLength > 64) {
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
    // libxml2 keeps every name once in its dictionary, so a name comes back at the
    // same address: each is decoded once. The bytes are kept to make sure.
    struct Name {
        QByteArray bytes;
        QString name;
    };
    std::unordered_map<const void*, Name> names;
    std::unordered_map<const void*, std::unordered_map<const void*, Name>> prefixedNames;

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
        Name& slot = prefix ? prefixedNames[prefix][localName] : names[localName];
        const char* local = reinterpret_cast<const char*>(localName);
        const QByteArray written = prefix ? QByteArray(reinterpret_cast<const char*>(prefix)) + ':' + local
                                          : QByteArray::fromRawData(local, qsizetype(std::strlen(local)));
        if (slot.bytes != written) {
            slot.bytes = QByteArray(written.constData(), written.size());
            slot.name = QString::fromUtf8(slot.bytes);
        }
        return slot.name;
    }
    static thread_local XmlEventParser* current;

    explicit Context(XmlEventParser& parser) : owner(parser) {}
    ~Context() {
        if (!ctxt) return;
        if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
        ctxt->myDoc = nullptr;
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
        std::size_t bytes = 0;
        for (int i = 0; i < attributeCount; ++i)
            bytes += std::size_t(attributes[5 * i + 4] - attributes[5 * i + 3]);
        if (!current->countText(bytes)) return;
        AttributeExpander expander(static_cast<xmlParserCtxtPtr>(ctx), current->context_->entityLookups,
                                   current->limits_.maxEntityLookups);
        QVariantMap map;
        for (int i = 0; i < namespaceCount; ++i) {
            const xmlChar* declared = namespaces[2 * i];
            const QString key =
                declared ? QStringLiteral("xmlns:") + fromXmlString(declared) : QStringLiteral("xmlns");
            map.insert(key, namespaces[2 * i + 1] ? fromXmlString(namespaces[2 * i + 1]) : QString());
        }
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            // The value as written is counted already; what expansion adds is counted too.
            const std::size_t written = std::size_t(a[4] - a[3]);
            const std::optional<QString> value =
                expander.expand(a[3], a[4], written + current->limits_.maxTextBytes - current->textBytes_);
            if (!value) return stop(ctx, expander.failure());
            const std::size_t grown = expander.expandedBytes();
            if (grown > written && !current->countText(grown - written)) return;
            // Attribute names are interned like element names: a feed repeats the
            // same few on every item, and the maps that keep them keep one copy.
            map.insert(current->context_->name(a[1], a[0]), *value);
        }
        Context& c = *current->context_;
        if (d->wantsNamespaces())
            d->didStartElementNs(c.name(prefix, localName), uri ? c.name(nullptr, uri) : QString(),
                                 c.name(nullptr, localName), map);
        else
            d->didStartElement(c.name(prefix, localName), map);
    }

    static void endElement(void*, const xmlChar* localName, const xmlChar* prefix, const xmlChar*) {
        if (XmlEventDelegate* d = live()) {
            --current->context_->depth;
            d->didEndElement(current->context_->name(prefix, localName));
        }
    }

    static void characters(void*, const xmlChar* text, int length) {
        XmlEventDelegate* d = live();
        if (d && current->countText(std::size_t(length)))
            d->foundCharacters(current->context_->decode(text, length));
    }

    static void ignorableWhitespace(void*, const xmlChar* text, int length) {
        XmlEventDelegate* d = live();
        if (d && current->countText(std::size_t(length)))
            d->foundIgnorableWhitespace(current->context_->decode(text, length));
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
        return htmlEntity(name, ctxt && ctxt->instate == XML_PARSER_CONTENT);
    }

    // Ends the parse at the first fatal error, in the context that reported it
    // (an entity's own, perhaps) and in the document's.
    static void stop(void* ctx, const QString& description) {
        if (ctx) xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
        if (!current) return;
        if (current->context_ && current->context_->ctxt != ctx) xmlStopParser(current->context_->ctxt);
        if (!current->failed_) current->noteFatalError(description);
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

    static void structuredError(void* ctx, xmlErrorPtr error) {
        if (!error || error->level != XML_ERR_FATAL) return;
        QString message = QString::fromUtf8(error->message ? error->message : "unknown error").trimmed();
        if (error->line > 0) message += QStringLiteral(" (line %1)").arg(error->line);
        stop(ctx, message);
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

void XmlEventParser::noteFatalError(const QString& description) {
    failed_ = true;
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

// libxml2 detects the encoding from the first four bytes; the charset of the
// transport needs the whole XML declaration to know that it does not name one.
bool XmlEventParser::headIsComplete() const {
    if (head_.size() < 4) return false;
    if (isWideEncoding(head_) || head_.size() >= kMaxHeldBack) return true;
    const qsizetype start = firstNonBlank(head_, utf8MarkLength(head_));
    if (start + 4 > head_.size()) return false;
    if (fallbackEncoding_.isEmpty() || start > 0 || !head_.startsWith("<?xml")) return true;
    return head_.contains("?>");
}

void XmlEventParser::applyFallbackEncoding(const QByteArray& head) {
    if (fallbackEncoding_.isEmpty() || isWideEncoding(head) || utf8MarkLength(head) > 0) return;
    if (xmlDeclaration(head).contains("encoding")) return;
    const QByteArray name = fallbackEncoding_.toLower();
    if (name == "utf-8" || name == "utf8" || name == "us-ascii") return; // libxml2's default already
    if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(fallbackEncoding_.constData()))
        xmlSwitchToEncoding(context_->ctxt, handler);
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
    // No network, no DTD loading, no entity substitution beyond the document's own.
    xmlCtxtUseOptions(context_->ctxt, XML_PARSE_NONET);
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
        applyFallbackEncoding(head);
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
        applyFallbackEncoding(head);
        guard_.setEncodingFromHead(head.constData(), std::size_t(head.size()));
        if (!head.isEmpty()) feedGuarded(head.constData(), std::size_t(head.size()));
    }
    if (!failed_) context_->feed(nullptr, 0, true);
    finished_ = true;
    if (failed_ || !context_->ctxt->wellFormed) {
        if (!failed_) noteFatalError(QStringLiteral("the document is not well formed"));
        return false;
    }
    delegate_.parserDidEndDocument();
    return true;
}

bool XmlEventParser::parse(const QByteArray& document) {
    parseChunk(document.constData(), std::size_t(document.size()));
    return finish();
}

} // namespace platform
