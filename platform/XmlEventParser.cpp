#include "platform/XmlEventParser.h"

#include <QByteArray>
#include <algorithm>
#include <climits>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <mutex>

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

QString fromXmlChars(const xmlChar* text, int length) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text), length);
}

QString fromXmlString(const xmlChar* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

QString qualifiedName(const xmlChar* prefix, const xmlChar* localName) {
    if (!prefix) return fromXmlString(localName);
    return fromXmlString(prefix) + u':' + fromXmlString(localName);
}

} // namespace

// libxml2 hands its callbacks the parser context, and for entity content a
// context of its own; the parser being fed on this thread is found here instead.
struct XmlEventParser::Context {
    XmlEventParser& owner;
    xmlParserCtxtPtr ctxt = nullptr;
    long entityLookups = 0;
    static constexpr long kMaxEntityLookups = 100'000;
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
        const int result = xmlParseChunk(ctxt, data, size, terminate ? 1 : 0);
        current = previous;
        return result;
    }

    static XmlEventDelegate* live() { return current && !current->failed_ ? &current->delegate_ : nullptr; }

    static void startDocument(void* ctx) {
        // Builds the empty document that internal entity declarations go into.
        xmlSAX2StartDocument(ctx);
        if (XmlEventDelegate* d = live()) d->parserDidStartDocument();
    }

    // libxml2 splits names at the colon; the delegate gets them as written, and
    // namespace declarations as the xmlns attributes they are in the document.
    static void startElement(void*, const xmlChar* localName, const xmlChar* prefix, const xmlChar*,
                             int namespaceCount, const xmlChar** namespaces, int attributeCount, int,
                             const xmlChar** attributes) {
        XmlEventDelegate* d = live();
        if (!d) return;
        QVariantMap map;
        for (int i = 0; i < namespaceCount; ++i) {
            const xmlChar* declared = namespaces[2 * i];
            const QString key =
                declared ? QStringLiteral("xmlns:") + fromXmlString(declared) : QStringLiteral("xmlns");
            map.insert(key, namespaces[2 * i + 1] ? fromXmlString(namespaces[2 * i + 1]) : QString());
        }
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            map.insert(qualifiedName(a[1], a[0]), fromXmlChars(a[3], int(a[4] - a[3])));
        }
        d->didStartElement(qualifiedName(prefix, localName), map);
    }

    static void endElement(void*, const xmlChar* localName, const xmlChar* prefix, const xmlChar*) {
        if (XmlEventDelegate* d = live()) d->didEndElement(qualifiedName(prefix, localName));
    }

    static void characters(void*, const xmlChar* text, int length) {
        if (XmlEventDelegate* d = live()) d->foundCharacters(fromXmlChars(text, length));
    }

    static void ignorableWhitespace(void*, const xmlChar* text, int length) {
        if (XmlEventDelegate* d = live()) d->foundIgnorableWhitespace(fromXmlChars(text, length));
    }

    // libxml2 re-parses an internal entity at every reference when no tree is
    // built, so nested entities cost time exponential in their depth long before
    // its amplification check trips. Entity references are counted instead; past
    // the budget every context that asks is stopped, which cuts each nested parse
    // short at its first reference.
    static xmlEntityPtr getEntity(void* ctx, const xmlChar* name) {
        if (current && ++current->context_->entityLookups > kMaxEntityLookups) {
            stop(ctx, QStringLiteral("too many entity references (more than %1)").arg(kMaxEntityLookups));
            return nullptr;
        }
        return xmlSAX2GetEntity(ctx, name);
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

XmlEventParser::XmlEventParser(XmlEventDelegate& delegate) : delegate_(delegate) {
    initialiseLibxml();
}

XmlEventParser::~XmlEventParser() = default;

void XmlEventParser::noteFatalError(const QString& description) {
    failed_ = true;
    error_ = description;
    delegate_.parseErrorOccurred(description);
}

bool XmlEventParser::ensureContext(bool terminate) {
    if (context_) return true;
    // libxml2 detects the encoding from the first four bytes.
    if (head_.size() < 4 && !terminate) return false;
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

bool XmlEventParser::parseChunk(const char* data, std::size_t size) {
    if (failed_ || finished_) return !failed_;
    if (!context_) {
        head_.append(data, qsizetype(size));
        if (!ensureContext(false)) return !failed_;
        const QByteArray head = std::exchange(head_, QByteArray());
        return parseChunk(head.constData(), std::size_t(head.size()));
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
        const QByteArray head = std::exchange(head_, QByteArray());
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
