#pragma once
#include "parser/FeedModel.h"
#include "parser/StartTagGuard.h"

#include <QString>
#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

// What an XML event parser reports, in document order, on the thread that feeds it.
class XmlEventDelegate {
  public:
    virtual ~XmlEventDelegate();
    virtual void parserDidStartDocument() {}
    // The name as written, prefix included, handed as one shared copy per name for
    // the whole parse (keys made from it cost no memory of their own); attributes
    // is empty when the element has none. Attributes come in the order written,
    // namespace declarations first, their names shared copies as element names
    // are; the list is valid only during the call (a copy of it is cheap).
    virtual void didStartElement(const QString& name, const Attributes& attributes) = 0;
    // Readers of a vocabulary defined by its namespace (Atom) say so, and then hear
    // didStartElementNs in place of didStartElement: the same name and attributes,
    // with the element's namespace URI (empty for none) and local name besides.
    // Attribute names stay as written: an unprefixed one is in no namespace, and
    // "xml:" always names the XML namespace (xml:base, xml:lang).
    virtual bool wantsNamespaces() const { return false; }
    virtual void didStartElementNs(const QString& name, const QString& namespaceURI, const QString& localName,
                                   const Attributes& attributes) {
        (void)namespaceURI;
        (void)localName;
        didStartElement(name, attributes);
    }
    // The text is valid only during the call: keep a copy of what is needed.
    virtual void foundCharacters(QStringView text) = 0;
    virtual void foundIgnorableWhitespace(QStringView whitespace) = 0;
    virtual void didEndElement(const QString& name) = 0;
    // The first fatal error; no event follows it.
    virtual void parseErrorOccurred(const QString& description) = 0;
    // Only after a complete, well-formed document (or, recovering, one read to
    // its end within every bound).
    virtual void parserDidEndDocument() = 0;
};

// The value of the attribute of that name; null when there is none.
inline QString attributeValue(const Attributes& attributes, QStringView name) {
    for (const Attribute& a : attributes)
        if (a.name == name) return a.value;
    return QString();
}

// The attributes ordered by name, as markup made of them has always written them.
inline std::vector<const Attribute*> attributesByName(const Attributes& attributes) {
    std::vector<const Attribute*> sorted;
    sorted.reserve(std::size_t(attributes.size()));
    for (const Attribute& a : attributes)
        sorted.push_back(&a);
    std::sort(sorted.begin(), sorted.end(),
              [](const Attribute* a, const Attribute* b) { return a->name < b->name; });
    return sorted;
}

// What one document may cost. Past any of them the parse stops with a fatal error.
struct XmlParseLimits {
    std::size_t maxDocumentBytes = std::size_t(32) << 20; // bytes fed, before decoding
    std::size_t maxTextBytes = std::size_t(32) << 20;     // UTF-8 text and attribute values handed on
    long maxEntityLookups = 100'000;                      // entity references, nested ones included
    int maxDepth = 256; // nested elements (libxml2's push parser keeps no bound of its own)
    // libxml2 compares a start tag's attributes, the namespaces in scope and the
    // attributes the document type declares for an element pairwise: these keep
    // every start tag cheap (see StartTagGuard).
    std::size_t maxStartTagBytes = std::size_t(1) << 20;
    int maxAttributes = 256;
    int maxNamespacesInScope = 128;
    int maxAttributeDeclarations = 256;    // in the document type declaration
    long maxDefaultedAttributes = 100'000; // attributes added to start tags from those
};

// An XML push parser over libxml2's SAX interface. Bytes are fed as they arrive.
// No namespace processing: names and xmlns attributes reach the delegate as
// written. CDATA sections arrive as characters. External entities and DTDs are
// never loaded and entity expansion keeps libxml2's amplification limits.
//
// Feeds in the wild are looser than XML: HTML named entities (&nbsp;, &eacute;)
// used without a declaration resolve to their characters, a byte-order mark or
// white space before the XML declaration is accepted, and the encoding comes from
// the byte-order mark, else the declaration, else the charset the server named.
// ISO-8859-1 and US-ASCII, declared or named, are read as Windows-1252, as
// browsers read them: servers that say Latin-1 send curly quotes as 0x91-0x94.
class XmlEventParser {
  public:
    // Why a parse stopped: a bound (ours, the start-tag guard's or libxml2's own),
    // bytes that are not in the encoding being read, or any other fault of the
    // document's XML.
    enum class Failure { None, Bound, Encoding, Syntax };

    explicit XmlEventParser(XmlEventDelegate& delegate, XmlParseLimits limits = {});
    ~XmlEventParser();
    XmlEventParser(const XmlEventParser&) = delete;
    XmlEventParser& operator=(const XmlEventParser&) = delete;

    // Parses the next bytes. Returns false once a fatal error has stopped the parse.
    bool parseChunk(const char* data, std::size_t size);
    // Ends the document; on success the delegate hears parserDidEndDocument.
    // Returns false when the document was not complete and well formed.
    bool finish();

    // The charset of the transport (an HTTP Content-Type), used when neither a
    // byte-order mark nor the XML declaration names the encoding. Only heard before
    // the first bytes go to libxml2; unknown names are ignored.
    void setFallbackEncoding(const QByteArray& charset) { fallbackEncoding_ = charset.trimmed(); }

    // With recovery (set before the first bytes), faults of the XML that libxml2
    // can read past no longer stop the parse: the document is read to its end as
    // libxml2's recovery makes it out, and finish() succeeds. Bounds and bytes
    // that are not in the document's encoding still stop it.
    void setRecovering(bool recovering) { recovering_ = recovering; }
    // The first fault read past, "REASON (line N)"; empty when there was none.
    const QString& firstRepair() const { return firstRepair_; }

    bool failed() const { return failed_; }
    Failure failure() const { return failure_; }
    QString errorDescription() const { return error_; }
    // Whether the encoding was taken as UTF-8 for want of any sign: no byte-order
    // mark, no declared encoding and no charset from the transport.
    bool encodingWasAssumed() const { return encodingAssumed_; }

    // Parses a whole buffer: parseChunk then finish.
    bool parse(const QByteArray& document);

    struct Context; // the libxml2 side, shared with the callbacks

  private:
    bool headIsComplete() const;
    bool ensureContext(bool terminate);
    void chooseEncoding(const QByteArray& head);
    void noteFatalError(const QString& description, Failure failure = Failure::Bound);
    bool countText(std::size_t bytes);
    void feedGuarded(const char* data, std::size_t size);

    XmlEventDelegate& delegate_;
    XmlParseLimits limits_;
    QByteArray fallbackEncoding_;
    std::size_t documentBytes_ = 0;
    std::size_t textBytes_ = 0;
    std::unique_ptr<Context> context_;
    QByteArray head_; // bytes held back until the encoding and the start can be judged
    StartTagGuard guard_;
    int attributeDeclarations_ = 0;
    bool failed_ = false;
    bool finished_ = false;
    bool recovering_ = false;
    bool windows1252_ = false; // bytes are turned into UTF-8 here, ahead of the guard
    bool encodingAssumed_ = false;
    Failure failure_ = Failure::None;
    QString error_;
    QString firstRepair_;
    friend struct Context;
};
