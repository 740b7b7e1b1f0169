#pragma once
#include <QString>
#include <optional>

// Where the ticker running on one settings file is reached: a local socket and
// the lock its ticker holds for as long as it runs, both in a folder of
// $XDG_RUNTIME_DIR that only this user may enter. Keyed by the settings file, so
// tickers on other settings files (a test's, the demo's) never meet.
struct InstanceAddress {
    QString socketPath;
    QString lockPath;
};

// Nothing, with the reason in *problem, when no private folder can be had (no
// runtime folder, or one another user owns or may enter).
std::optional<InstanceAddress> instanceAddressFor(const QString& settingsPath, QString* problem);
