#pragma once
#include <QString>
#include <climits>

// The names under which the plug-in keeps its settings and feed records, and the
// bounds its values live within. Stored settings depend on these spellings.
namespace settingkeys {
inline const QString kFeeds = QStringLiteral("feeds");
// The hidden items: feed URL to the guid texts of the items the user chose not
// to see. Stored under the name it always had.
inline const QString kHiddenItems = QStringLiteral("ignored");
inline const QString kUseTTL = QStringLiteral("useTTL");
inline const QString kTitleLength = QStringLiteral("titleLength");
} // namespace settingkeys

// The keys of one record of the feed list.
namespace recordkeys {
inline const QString kURL = QStringLiteral("url");
inline const QString kInterval = QStringLiteral("interval");
inline const QString kEnabled = QStringLiteral("enabled");
// True while the address's https was added to what the user typed and no update
// has shown yet whether the site speaks TLS.
inline const QString kSchemeGuessed = QStringLiteral("schemeGuessed");
} // namespace recordkeys

namespace limits {
// A feed whose interval is absent or unusable updates once a minute, never
// without pause.
constexpr double kMinimumTimerPeriod = 60.0;
// The interval, in minutes, of a feed added by hand, by subscription or import.
constexpr int kDefaultInterval = 60;
// What the interval cell takes, in minutes: half a minute up to the largest
// whole-minute value a record can hold.
constexpr double kMinIntervalMinutes = 0.5;
constexpr double kMaxIntervalMinutes = double(INT_MAX);
// Titles shorter than 3 characters cannot be shortened with "...".
constexpr int kMinTitleLength = 3;
constexpr int kMaxTitleLength = 200;
constexpr int kDefaultTitleLength = 30;
// A feed of millions of items would otherwise bury the ticker in signs.
constexpr int kMaxTextSignsPerFeed = 1000;
} // namespace limits
