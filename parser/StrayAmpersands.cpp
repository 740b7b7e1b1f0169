#include "parser/StrayAmpersands.h"

#include <algorithm>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <string>

namespace {

// Names longer than this are no entity anyone declares.
constexpr qsizetype kLongestName = 64;

bool isNameByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '.' ||
           b == '-' || b == '_' || b == ':' || b >= 0x80;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether the "&" at doc[at] begins a reference that is kept: a character
// reference, or an entity XML predefines, HTML names or (when the document
// declares entities) any name at all.
bool beginsReference(const QByteArray& doc, qsizetype at, bool declaresEntities) {
    const qsizetype end = std::min(doc.size(), at + kLongestName + 3);
    qsizetype j = at + 1;
    if (j < end && doc[j] == '#') {
        ++j;
        const bool hex = j < end && doc[j] == 'x';
        if (hex) ++j;
        const qsizetype first = j;
        while (j < end && (hex ? isHexDigit(doc[j]) : (doc[j] >= '0' && doc[j] <= '9')))
            ++j;
        return j > first && j < end && doc[j] == ';';
    }
    const qsizetype first = j;
    while (j < end && isNameByte(doc[j]))
        ++j;
    if (j == first || j >= end || doc[j] != ';') return false;
    if (declaresEntities) return true;
    const std::string name(doc.constData() + first, std::size_t(j - first));
    for (const char* predefined : {"amp", "lt", "gt", "quot", "apos"})
        if (name == predefined) return true;
    return htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.c_str())) != nullptr;
}

bool isWide(const QByteArray& doc) {
    if (doc.size() < 2) return false;
    const auto b0 = uchar(doc[0]), b1 = uchar(doc[1]);
    return b0 == 0 || b1 == 0 || (b0 == 0xFE && b1 == 0xFF) || (b0 == 0xFF && b1 == 0xFE);
}

} // namespace

QByteArray withStrayAmpersandsEscaped(const QByteArray& document) {
    if (isWide(document) || !document.contains('&')) return document;
    const bool declaresEntities = document.contains("<!ENTITY");
    QByteArray out;
    out.reserve(document.size() + document.size() / 16);
    qsizetype copied = 0;
    for (qsizetype i = 0; i < document.size();) {
        const char c = document[i];
        if (c == '<') {
            // Markup whose "&" is its own: copied up to its end as it is.
            const char* terminator = nullptr;
            qsizetype skip = 0;
            const QByteArrayView rest = QByteArrayView(document).sliced(i);
            if (rest.startsWith("<!--")) {
                terminator = "-->";
                skip = 4;
            } else if (rest.startsWith("<![CDATA[")) {
                terminator = "]]>";
                skip = 9;
            } else if (rest.startsWith("<?")) {
                terminator = "?>";
                skip = 2;
            }
            if (terminator) {
                const qsizetype end = document.indexOf(terminator, i + skip);
                i = end < 0 ? document.size() : end + qsizetype(std::strlen(terminator));
                continue;
            }
        } else if (c == '&' && !beginsReference(document, i, declaresEntities)) {
            out.append(document.constData() + copied, i + 1 - copied);
            out.append("amp;");
            copied = i + 1;
        }
        ++i;
    }
    out.append(document.constData() + copied, document.size() - copied);
    return out;
}
