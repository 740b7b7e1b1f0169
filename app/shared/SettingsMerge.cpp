#include "app/shared/SettingsMerge.h"

#include "app/shared/ExactJson.h"

#include <QSet>

namespace {

// Values compare as the file would hold them, so that a number read back as
// another type is the same number.
QByteArray written(const QVariant& value) {
    if (!value.isValid()) return {};
    return writeExactJson(QVariantMap{{QStringLiteral("v"), value}}, false);
}

QSet<QString> keysOf(std::initializer_list<const QVariantMap*> maps) {
    QSet<QString> keys;
    for (const QVariantMap* map : maps)
        for (auto it = map->keyBegin(); it != map->keyEnd(); ++it)
            keys.insert(*it);
    return keys;
}

} // namespace

SettingsMerge mergeSettings(const QVariantMap& base, const QVariantMap& ours, const QVariantMap& theirs) {
    SettingsMerge result;
    for (const QString& identifier : keysOf({&base, &ours, &theirs})) {
        const QVariantMap b = base.value(identifier).toMap();
        const QVariantMap o = ours.value(identifier).toMap();
        const QVariantMap t = theirs.value(identifier).toMap();
        QVariantMap merged;
        bool tookTheirs = false;
        for (const QString& key : keysOf({&b, &o, &t})) {
            const QByteArray was = written(b.value(key));
            const QByteArray mine = written(o.value(key));
            const QByteArray other = written(t.value(key));
            QVariant value;
            if (mine == was || mine == other) {
                value = t.value(key);
                tookTheirs = tookTheirs || mine != other;
            } else if (other == was) {
                value = o.value(key);
            } else {
                result.conflicts << QStringLiteral("%1: %2").arg(identifier, key);
                continue;
            }
            if (value.isValid()) merged.insert(key, value);
        }
        if (tookTheirs) result.takenFromTheirs << identifier;
        // A dictionary stays, even empty, while either side still has it.
        if (!merged.isEmpty() || (ours.contains(identifier) && theirs.contains(identifier)))
            result.merged.insert(identifier, merged);
    }
    result.conflicts.sort();
    result.takenFromTheirs.sort();
    return result;
}
