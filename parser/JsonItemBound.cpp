#include "parser/JsonItemBound.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QList>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether the quoted key at [from, to] (quotes included) reads "items": escapes
// are decoded as a JSON reader would, so "\u0069tems" is caught too.
bool isItemsKey(const QByteArray& document, qsizetype from, qsizetype to) {
    const QByteArrayView raw(document.constData() + from + 1, to - from - 1);
    if (!raw.contains('\\')) return raw == "items";
    const QByteArray wrapped = '[' + QByteArray(document.constData() + from, to - from + 1) + ']';
    return QJsonDocument::fromJson(wrapped).array().at(0).toString() == QLatin1String("items");
}

struct Cut {
    qsizetype from = 0; // the comma before the first element left out
    qsizetype to = 0;   // the array's closing bracket
};

} // namespace

JsonItemBound boundJsonItems(const QByteArray& document, qsizetype maxItems, qsizetype maxContainers) {
    JsonItemBound bound;
    const char* bytes = document.constData();
    const qsizetype size = document.size();
    QList<Cut> cuts;
    int depth = 0;
    bool rootIsObject = false;
    bool lastKeyIsItems = false;
    // The "items" array being read: its elements so far, and whether the next
    // byte that is not blank starts one.
    bool inItems = false;
    bool expectElement = false;
    qsizetype elements = 0;
    qsizetype lastComma = -1;
    bool cutting = false;
    qsizetype counted = 0; // containers, those left out not counted
    for (qsizetype at = 0; at < size; ++at) {
        const char c = bytes[at];
        if (isBlank(c)) continue;
        if (inItems && depth == 2 && expectElement && c != ']') {
            expectElement = false;
            if (++elements > maxItems) {
                if (!cutting) cuts.append({elements == 1 ? at : lastComma, -1});
                cutting = true;
                ++bound.itemsLeftOut;
            }
        }
        switch (c) {
        case '"': {
            const qsizetype start = at;
            for (++at; at < size && bytes[at] != '"'; ++at)
                if (bytes[at] == '\\') ++at;
            if (at >= size) at = size; // unterminated: the reader says so
            if (depth == 1 && rootIsObject && at < size) {
                qsizetype next = at + 1;
                while (next < size && isBlank(bytes[next]))
                    ++next;
                if (next < size && bytes[next] == ':') lastKeyIsItems = isItemsKey(document, start, at);
            }
            break;
        }
        case '{':
        case '[':
            if (depth == 0) rootIsObject = c == '{';
            if (!cutting) ++counted;
            ++depth;
            if (c == '[' && depth == 2 && rootIsObject && lastKeyIsItems) {
                inItems = true;
                expectElement = true;
                elements = 0;
            }
            break;
        case '}':
        case ']':
            if (inItems && depth == 2) {
                inItems = false;
                if (cutting) cuts.last().to = at;
                cutting = false;
            }
            if (depth == 1) lastKeyIsItems = false;
            if (--depth < 0) at = size; // unbalanced: the reader says so
            break;
        case ',':
            if (inItems && depth == 2) {
                expectElement = true;
                if (!cutting) lastComma = at;
            }
            if (depth == 1) lastKeyIsItems = false;
            break;
        default:
            break;
        }
    }
    // An array still open at the end loses what is past the bound; the reader
    // then reports the document unterminated, as it is.
    if (cutting) cuts.last().to = size;
    bound.containers = counted;
    bound.tooManyContainers = counted > maxContainers;
    if (cuts.isEmpty()) {
        bound.document = document;
        return bound;
    }
    qsizetype from = 0;
    for (const Cut& cut : cuts) {
        bound.document.append(bytes + from, cut.from - from);
        from = cut.to;
    }
    bound.document.append(bytes + from, size - from);
    return bound;
}
