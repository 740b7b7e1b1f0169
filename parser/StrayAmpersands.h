#pragma once
#include <QByteArray>

// A document's bytes with every "&" that begins no reference XML can read
// written as "&amp;": a lone "&" ("Fish & Chips", "?a=1&b=2") and, in a document
// that declares no entities of its own, a reference to an entity that neither
// XML nor HTML names ("&bogus;"). libxml2's recovery drops such an "&" together
// with the name after it; escaped, both stay as written, as a reader shows them.
// Comments, CDATA sections and processing instructions keep theirs. One pass,
// each "&" looked past no further than the longest name kept. For encodings
// that write "&" as one byte; a UTF-16 or UTF-32 document comes back unchanged.
QByteArray withStrayAmpersandsEscaped(const QByteArray& document);
