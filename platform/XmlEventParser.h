#pragma once
#include <QString>
#include <QVariantMap>
#include <cstddef>
#include <memory>

namespace platform {

// What an XML event parser reports, in document order, on the thread that feeds it.
class XmlEventDelegate {
  public:
    virtual ~XmlEventDelegate();
    virtual void parserDidStartDocument() {}
    // The name as written, prefix included; attributes is empty when the element has none.
    virtual void didStartElement(const QString& name, const QVariantMap& attributes) = 0;
    virtual void foundCharacters(const QString& text) = 0;
    virtual void foundIgnorableWhitespace(const QString& whitespace) = 0;
    virtual void didEndElement(const QString& name) = 0;
    // The first fatal error; no event follows it.
    virtual void parseErrorOccurred(const QString& description) = 0;
    // Only after a complete, well-formed document.
    virtual void parserDidEndDocument() = 0;
};

// An XML push parser over libxml2's SAX interface. Bytes are fed as they arrive.
// No namespace processing: names and xmlns attributes reach the delegate as
// written. CDATA sections arrive as characters. External entities and DTDs are
// never loaded and entity expansion keeps libxml2's amplification limits. The
// encoding is detected or taken from the declaration.
class XmlEventParser {
  public:
    explicit XmlEventParser(XmlEventDelegate& delegate);
    ~XmlEventParser();
    XmlEventParser(const XmlEventParser&) = delete;
    XmlEventParser& operator=(const XmlEventParser&) = delete;

    // Parses the next bytes. Returns false once a fatal error has stopped the parse.
    bool parseChunk(const char* data, std::size_t size);
    // Ends the document; on success the delegate hears parserDidEndDocument.
    // Returns false when the document was not complete and well formed.
    bool finish();

    bool failed() const { return failed_; }
    QString errorDescription() const { return error_; }

    // Parses a whole buffer: parseChunk then finish.
    bool parse(const QByteArray& document);

    struct Context; // the libxml2 side, shared with the callbacks

  private:
    bool ensureContext(bool terminate);
    void noteFatalError(const QString& description);

    XmlEventDelegate& delegate_;
    std::unique_ptr<Context> context_;
    QByteArray head_; // bytes held back until the encoding can be detected
    bool failed_ = false;
    bool finished_ = false;
    QString error_;
    friend struct Context;
};

} // namespace platform
