#include "core/NewsreelPlugin.h"

#include "platform/Values.h"

#include <QMetaObject>

namespace {

QVariant isoTime(const QDateTime& time) {
    if (!time.isValid()) return {};
    return time.toUTC().toString(Qt::ISODate);
}

} // namespace

QVariantMap NewsreelPlugin::statusMap(const QVariantMap& record) const {
    const QString url = platform::textValue(record.value(QStringLiteral("url")));
    const bool enabled = platform::boolValue(record.value(QStringLiteral("enabled")));
    const FeedStatusBoard::Status status = statusBoard.status(url);
    QVariant next;
    // The commands that change the list move timers about: find the feed's own.
    if (enabled && timers)
        for (const auto& timer : *timers)
            if (timer && timer->isValid() && timer->userInfo().toString() == url) {
                next = isoTime(timer->fireDate());
                break;
            }
    return {
        {QStringLiteral("url"), url},
        {QStringLiteral("enabled"), enabled},
        // A disabled feed is not updated: whatever it did before, it now waits.
        {QStringLiteral("state"),
         enabled ? FeedStatusBoard::stateName(status.state) : FeedStatusBoard::stateName({})},
        {QStringLiteral("message"), enabled ? status.message : QString()},
        {QStringLiteral("items"), status.items},
        {QStringLiteral("title"), status.title},
        {QStringLiteral("link"), status.link},
        {QStringLiteral("lastAttempt"), isoTime(status.lastAttempt)},
        {QStringLiteral("lastSuccess"), isoTime(status.lastSuccess)},
        {QStringLiteral("next"), next},
    };
}

QVariantList NewsreelPlugin::sourceStatus() const {
    QVariantList records;
    {
        std::lock_guard guard(dataMutex);
        records = feeds;
    }
    QVariantList list;
    list.reserve(records.size());
    for (qsizetype i = 0; i < records.size(); ++i)
        list.append(statusMap(records.at(i).toMap()));
    return list;
}

QVariantMap NewsreelPlugin::sourceStatusOfRow(int row) const {
    QVariantMap record;
    {
        std::lock_guard guard(dataMutex);
        if (row < 0 || row >= feeds.size()) return {};
        record = feeds.at(row).toMap();
    }
    return statusMap(record);
}

void NewsreelPlugin::statusDidChange() {
    if (PNTickerServer* s = server.load()) s->sourceStatusDidChange(this);
    mainThread.post([this] { feedTableStatusDidChange(); });
}
