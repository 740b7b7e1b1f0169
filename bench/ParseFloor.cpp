#include "bench/ParseFloor.h"

#include <algorithm>
#include <libxml/SAX2.h>
#include <libxml/parser.h>

namespace {
void onStart(void*, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int, int,
             const xmlChar**) {}
void onEnd(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}
void onCharacters(void*, const xmlChar*, int) {}
} // namespace

// Set up as the plug-in's parser is (SAX2 callbacks, CDATA as characters, the
// same options), so the difference is only what the handlers do.
bool parseWithEmptyHandlers(const QByteArray& document, int chunkSize) {
    xmlSAXHandler sax;
    xmlSAXVersion(&sax, 2);
    sax.startElementNs = onStart;
    sax.endElementNs = onEnd;
    sax.startElement = nullptr;
    sax.endElement = nullptr;
    sax.endDocument = nullptr;
    sax.characters = onCharacters;
    sax.cdataBlock = onCharacters;
    sax.ignorableWhitespace = onCharacters;
    sax.reference = nullptr;
    sax.comment = nullptr;
    sax.processingInstruction = nullptr;
    sax.externalSubset = nullptr;
    sax.warning = nullptr;
    sax.error = nullptr;
    sax.fatalError = nullptr;
    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
    if (!ctxt) return false;
    xmlCtxtUseOptions(ctxt, XML_PARSE_NONET);
    bool ok = true;
    for (qsizetype at = 0; at < document.size() && ok; at += chunkSize) {
        const int n = int(std::min<qsizetype>(chunkSize, document.size() - at));
        ok = xmlParseChunk(ctxt, document.constData() + at, n, 0) == 0;
    }
    if (ok) ok = xmlParseChunk(ctxt, nullptr, 0, 1) == 0;
    ok = ok && ctxt->wellFormed;
    if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc); // not the context's to free
    xmlFreeParserCtxt(ctxt);
    return ok;
}
