#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>

// What a web page's head says about related documents.
struct HtmlHead {
    struct Link {
        QString rel;
        QString type;
        QString href;
    };
    QString baseHref;  // the first <base href>, as written; empty when none
    QList<Link> links; // every <link> of the head, in document order
};

// Reads the head of an HTML page with libxml2's forgiving HTML parser: nothing is
// fetched, no script runs, and only the first maxBytes of the page are looked at
// (the head comes first).
HtmlHead readHtmlHead(const QByteArray& page, std::size_t maxBytes = std::size_t(1) << 20);
