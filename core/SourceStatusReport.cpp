#include "core/SourceStatusReport.h"

#include "core/FeedRecordAddress.h"
#include "core/FeedSchedule.h"
#include "core/FeedStatus.h"
#include "core/FeedStore.h"
#include "core/SettingsKeys.h"
#include "platform/Values.h"

namespace {

QVariant isoTime(const QDateTime& time) {
    if (!time.isValid()) return {};
    return time.toUTC().toString(Qt::ISODate);
}

} // namespace

QVariantMap SourceStatusReport::statusMap(const QVariantMap& record) const {
    const QString url = platform::textValue(record.value(recordkeys::kURL));
    const bool enabled = platform::boolValue(record.value(recordkeys::kEnabled));
    FeedStatusBoard::Status status = board_.status(url);
    if (updatingFeed_ && !url.isEmpty() && updatingFeed_() == url)
        status.state = FeedStatusBoard::State::Updating;
    return {
        {QStringLiteral("url"), url},
        {QStringLiteral("enabled"), enabled},
        // A disabled feed is not updated: whatever it did before, it now waits.
        {QStringLiteral("state"),
         enabled ? FeedStatusBoard::stateName(status.state) : FeedStatusBoard::stateName({})},
        {QStringLiteral("message"), !enabled             ? QString()
                                    : awaitsAddress(url) ? QStringLiteral("no address yet")
                                                         : status.message},
        {QStringLiteral("items"), status.items},
        {QStringLiteral("title"), status.title},
        {QStringLiteral("link"), status.link},
        {QStringLiteral("lastAttempt"), isoTime(status.lastAttempt)},
        {QStringLiteral("lastSuccess"), isoTime(status.lastSuccess)},
        // The commands that change the list move timers about: the feed's own is
        // found by its URL.
        {QStringLiteral("next"), enabled ? isoTime(schedule_.nextFireDate(url)) : QVariant()},
    };
}

QVariantList SourceStatusReport::sourceStatus() const {
    const QVariantList records = store_.records();
    QVariantList list;
    list.reserve(records.size());
    for (const QVariant& record : records)
        list.append(statusMap(record.toMap()));
    return list;
}

QVariantMap SourceStatusReport::sourceStatusOfRow(int row) const {
    const std::optional<QVariantMap> record = store_.recordAt(row);
    return record ? statusMap(*record) : QVariantMap();
}
