#pragma once
#include <QByteArray>

// A JSON Feed's bytes made small enough to read whole. A document tree costs
// some 150 bytes a value, so the 16 MiB a fetch allows could become gigabytes
// (two million `{"id":1}` items); the bytes are therefore scanned once first, the
// top-level "items" array keeps its first maxItems elements, and a document that
// would still hold more than maxContainers objects and arrays is refused.
struct JsonItemBound {
    QByteArray document; // what is to be read
    qsizetype itemsLeftOut = 0;
    qsizetype containers = 0; // objects and arrays in document
    bool tooManyContainers = false;
};

JsonItemBound boundJsonItems(const QByteArray& document, qsizetype maxItems, qsizetype maxContainers);
