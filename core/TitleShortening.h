#pragma once
#include <QString>

// A title longer than titleLength keeps its first titleLength - 3 UTF-16 units and
// gets "..." (titleLength units in all). A negative titleLength shortens nothing;
// 0 to 2 keep nothing but "...". A cut never splits a surrogate pair.
inline QString shortenedTitle(const QString& text, int titleLength, bool* shortened = nullptr) {
    if (shortened) *shortened = false;
    if (titleLength < 0 || text.size() <= titleLength) return text;
    if (shortened) *shortened = true;
    qsizetype keep = titleLength >= 3 ? titleLength - 3 : 0;
    if (keep > 0 && text.at(keep - 1).isHighSurrogate() && text.at(keep).isLowSurrogate()) --keep;
    return text.left(keep) + QStringLiteral("...");
}
