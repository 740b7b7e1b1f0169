#pragma once
#include <QString>

// What a description may cost the text layout. Qt lays out nested tables and
// very long unbreakable words in time that grows far faster than the text: 24
// nested tables of a few hundred bytes, or one word of 400 KB, held the main
// thread for good.
struct DescriptionBounds {
    qsizetype maxCharacters = 100'000; // of the markup handed on; the rest gives way to a note
    int maxDepth = 16;                 // open elements
    int maxTableDepth = 2;             // tables inside tables
    // Qt gives a table a grid of rows by its widest row, and lays out every place
    // of it, filled or not: the places of all tables together are bounded, and
    // the description is cut with the note where a table would pass the bound.
    int maxTableGrid = 5'000;
    int maxColumns = 32;    // a row's cells, counted with their spans
    int maxSpan = 8;        // colspan and rowspan
    int maxWordLength = 64; // characters before a break opportunity is put in
};

// The shown form of a feed's HTML description: the formatting elements the view
// renders, closed properly and nested within the bounds, with nothing that runs,
// loads or submits anything. Scripts, styles, frames, objects, forms and every
// attribute but a link's web or mail address and a cell's span are dropped;
// images give way to their alternative text. Text beyond the bounds is cut with a
// visible note (so are tables past their grid), and overlong words get zero-width
// break opportunities. The
// result is safe to render anywhere, so it is also what the host's scripts see.
QString boundedDescription(const QString& html, const DescriptionBounds& bounds = {});

// The note that ends a description cut at maxCharacters.
inline const char* const kShortenedDescriptionNote = "\u2026 (the rest of the description is not shown)";
