#pragma once
#include <QStringList>
#include <QVariantMap>

// Three copies of the settings (identifier to dictionary): as this process last
// read or wrote them (base), as it holds them now (ours) and as another program
// left the file since (theirs). Every value only one side changed takes that
// side's change; a value both changed differently is a conflict, named
// "identifier: key".
struct SettingsMerge {
    QVariantMap merged;
    QStringList conflicts;
    QStringList takenFromTheirs; // identifiers whose dictionary took a change of theirs
};
SettingsMerge mergeSettings(const QVariantMap& base, const QVariantMap& ours, const QVariantMap& theirs);
