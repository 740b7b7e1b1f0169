#pragma once
#include <QString>

// A record the add command made and nobody has given an address yet: its "url"
// is empty or still the placeholder scheme. It stays listed, is never fetched and
// never counts as failing.
inline bool awaitsAddress(const QString& url) {
    const QString text = url.trimmed();
    return text.isEmpty() || text.compare(QLatin1String("http://"), Qt::CaseInsensitive) == 0 ||
           text.compare(QLatin1String("https://"), Qt::CaseInsensitive) == 0;
}
