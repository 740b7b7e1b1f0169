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

QString qualifiedName(const xmlChar* prefix, const xmlChar* localName) {
    if (!prefix) return fromXmlString(localName);
    return fromXmlString(prefix) + u':' + fromXmlString(localName);
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
// written. The ampersands and the HTML entities the document did not declare are
// turned into their characters; the document's own entities stay as written.
QString attributeValue(xmlParserCtxtPtr ctxt, const xmlChar* begin, const xmlChar* end) {
    const auto* text = reinterpret_cast<const char*>(begin);
    const qsizetype length = qsizetype(end - begin);
    if (!memchr(text, '&', std::size_t(length))) return QString::fromUtf8(text, length);
    QByteArray out;
    out.reserve(length);
    for (qsizetype i = 0; i < length;) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        const QByteArrayView rest(text + i, length - i);
        if (rest.startsWith("&#38;")) {
            out += '&';
            i += 5;
            continue;
        }
        const qsizetype semicolon = rest.indexOf(';');
        if (semicolon > 1 && semicolon < 64) {
            const QByteArray name(text + i + 1, semicolon - 1);
            const auto* xmlName = reinterpret_cast<const xmlChar*>(name.constData());
            const htmlEntityDesc* html = htmlEntityLookup(xmlName);
            if (html && !(ctxt && ctxt->myDoc && xmlGetDocEntity(ctxt->myDoc, xmlName))) {
                const char32_t code = html->value;
                out += QString::fromUcs4(&code, 1).toUtf8();
                i += semicolon + 1;
                continue;
            }
        }
        out += text[i++];
    }
    return QString::fromUtf8(out);
}

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
                             int namespaceCount, const xmlChar** namespaces, int attributeCount, int,
                             const xmlChar** attributes) {
        XmlEventDelegate* d = live();
        if (!d) return;
        if (++current->context_->depth > current->limits_.maxDepth) {
            stop(ctx, QStringLiteral("more than %1 nested elements").arg(current->limits_.maxDepth));
            return;
        }
        std::size_t bytes = 0;
        for (int i = 0; i < attributeCount; ++i)
            bytes += std::size_t(attributes[5 * i + 4] - attributes[5 * i + 3]);
        if (!current->countText(bytes)) return;
        QVariantMap map;
        for (int i = 0; i < namespaceCount; ++i) {
            const xmlChar* declared = namespaces[2 * i];
            const QString key =
                declared ? QStringLiteral("xmlns:") + fromXmlString(declared) : QStringLiteral("xmlns");
            map.insert(key, namespaces[2 * i + 1] ? fromXmlString(namespaces[2 * i + 1]) : QString());
        }
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            map.insert(qualifiedName(a[1], a[0]),
                       attributeValue(static_cast<xmlParserCtxtPtr>(ctx), a[3], a[4]));
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

    static void structuredError(void* ctx, xmlErrorPtr error) {
        if (!error || error->level != XML_ERR_FATAL) return;
        QString message = QString::fromUtf8(error->message ? error->message : "unknown error").trimmed();
        if (error->line > 0) message += QStringLiteral(" (line %1)").arg(error->line);
        stop(ctx, message);
    }
};

thread_local XmlEventParser* XmlEventParser::Context::current = nullptr;

XmlEventParser::XmlEventParser(XmlEventDelegate& delegate, XmlParseLimits limits)
    : delegate_(delegate), limits_(limits) {
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
        data = head.constData();
        size = std::size_t(head.size());
    }
    while (size > 0 && !failed_) {
        const int piece = int(std::min<std::size_t>(size, 1 << 20));
        context_->feed(data, piece, false);
        data += piece;
        size -= std::size_t(piece);
    }
    return !failed_;
}

bool XmlEventParser::finish() {
    if (finished_ || failed_) return false;
    if (!context_) {
        ensureContext(true);
        if (failed_) return false;
        const QByteArray head = withoutLeadingBlanks(std::exchange(head_, QByteArray()));
        applyFallbackEncoding(head);
        if (!head.isEmpty()) context_->feed(head.constData(), int(head.size()), false);
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
