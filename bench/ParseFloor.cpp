#include "bench/ParseFloor.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

namespace {
void onStart(void*, const xmlChar*, const xmlChar**) {}
void onEnd(void*, const xmlChar*) {}
void onCharacters(void*, const xmlChar*, int) {}
} // namespace

bool parseWithEmptyHandlers(const QByteArray& document, int chunkSize) {
    xmlSAXHandler sax{};
    sax.initialized = 0; // SAX1-style element callbacks: names as written, no namespace work
    sax.startElement = onStart;
    sax.endElement = onEnd;
    sax.characters = onCharacters;
    sax.cdataBlock = onCharacters;
    sax.ignorableWhitespace = onCharacters;
    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
    if (!ctxt) return false;
    xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOCDATA);
    bool ok = true;
    for (qsizetype at = 0; at < document.size() && ok; at += chunkSize) {
        const int n = int(std::min<qsizetype>(chunkSize, document.size() - at));
        ok = xmlParseChunk(ctxt, document.constData() + at, n, 0) == 0;
    }
    if (ok) ok = xmlParseChunk(ctxt, nullptr, 0, 1) == 0;
    ok = ok && ctxt->wellFormed;
    xmlFreeParserCtxt(ctxt);
    return ok;
}
