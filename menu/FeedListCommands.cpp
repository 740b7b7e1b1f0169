#include "core/NewsreelPlugin.h"

#include "menu/FeedFields.h"
#include "platform/AlertSound.h"
#include "platform/Values.h"

#include <algorithm>

namespace {

const QString kURL = QStringLiteral("url");
const QString kInterval = QStringLiteral("interval");
const QString kEnabled = QStringLiteral("enabled");

qsizetype indexOfRecord(const QVariantList& feeds, const QString& feedURL) {
    for (qsizetype i = 0; i < feeds.size(); ++i)
        if (platform::textValue(feeds.at(i).toMap().value(kURL)) == feedURL) return i;
    return -1;
}

// Timers are found by what they update, never by position; placeholders of
// disabled feeds are passed over.
qsizetype indexOfTimer(const std::optional<QList<std::shared_ptr<platform::Timer>>>& timers,
                       const QString& feedURL) {
    if (!timers) return -1;
    for (qsizetype i = 0; i < timers->size(); ++i) {
        const auto& timer = timers->at(i);
        if (timer && timer->userInfo().toString() == feedURL) return i;
    }
    return -1;
}

} // namespace

void NewsreelPlugin::dontShowAgain(const QString& feedURL, int index, const QVariantMap& item) {
    // A guid with attributes is hidden by its text. One without text gives no
    // marker: taking the sign off would only hide the item until the next update,
    // a promise not kept, so nothing changes and the alert says so.
    const std::optional<QString> marker = fieldText(item.value(QStringLiteral("guid")));
    if (!marker) return platform::beep();
    const QString action = QString::number(index) + u',' + feedURL;
    PNSignRef taken;
    {
        std::lock_guard lock(dataMutex);
        // A fresh list: one the settings share is never changed in place.
        const QVariant stored = ignored.value(feedURL);
        QVariantList markers = platform::isList(stored) ? stored.toList() : QVariantList();
        if (!markers.contains(QVariant(*marker))) markers.append(*marker);
        ignored.insert(feedURL, markers);

        if (topDictionary) {
            auto feed = topDictionary->find(feedURL);
            if (feed != topDictionary->end() && feed->tickers) {
                for (qsizetype i = 0; i < feed->tickers->size(); ++i) {
                    const PNSignRef& sign = feed->tickers->at(i);
                    if (sign && sign->hasActionString() && sign->actionString() == action) {
                        taken = sign;
                        feed->tickers->removeAt(i);
                        break;
                    }
                }
            }
        }
    }
    if (taken)
        if (PNTickerServer* s = server.load()) s->removeSign(taken);
    // What the user hides stays hidden after the next set-up.
    storeIgnored();
}

void NewsreelPlugin::setUpdateIntervalTo(const QString& feedURL, const QString& ttl) {
    const int minutes = platform::intValueOfText(ttl);
    // No time-to-live makes a feed update more than once a minute; the record
    // says what the timer does.
    const double seconds = timerPeriodForInterval(minutes);
    const int recordedMinutes = std::max(minutes, 1);
    {
        std::lock_guard lock(dataMutex);
        if (const qsizetype i = indexOfTimer(timers, feedURL); i >= 0) {
            auto& timer = (*timers)[i];
            if (timer->timeInterval() != seconds) {
                timer->invalidate();
                timer = scheduleFeedTimer(seconds, feedURL);
            }
        }
        if (const qsizetype i = indexOfRecord(feeds, feedURL); i >= 0) {
            QVariantMap record = feeds.at(i).toMap();
            record.insert(kInterval, recordedMinutes);
            feeds[i] = record;
        }
    }
    storeFeeds();
}

void NewsreelPlugin::unsubscribeFromFeed(const QString& feedURL) {
    QList<PNSignRef> signs;
    {
        std::lock_guard lock(dataMutex);
        if (const qsizetype i = indexOfTimer(timers, feedURL); i >= 0) {
            timers->at(i)->invalidate();
            timers->removeAt(i);
        }
        if (const qsizetype i = indexOfRecord(feeds, feedURL); i >= 0) feeds.removeAt(i);
        // Once the feed is out of the list no deactivation would take its signs off.
        if (topDictionary) {
            auto feed = topDictionary->find(feedURL);
            if (feed != topDictionary->end() && feed->tickers) {
                signs = *feed->tickers;
                feed->tickers->clear();
            }
        }
    }
    if (PNTickerServer* s = server.load())
        for (const PNSignRef& sign : signs)
            s->removeSign(sign);
    // An unsubscribed feed stays unsubscribed after the next set-up.
    storeFeeds();
}

void NewsreelPlugin::subscribeToSource(const QString& sourceURL) {
    const int minutes = 60;
    {
        std::lock_guard lock(dataMutex);
        // Exact text, letter case included: a differently written URL is another feed.
        if (indexOfRecord(feeds, sourceURL) >= 0) return;
        QVariantMap record;
        record.insert(kURL, sourceURL);
        record.insert(kInterval, minutes);
        record.insert(kEnabled, true);
        feeds.append(record);
    }
    storeFeeds();
    // An inactive plug-in has no timers; activation makes the new feed's.
    if (!timers) return;
    auto timer = scheduleFeedTimer(timerPeriodForInterval(minutes), sourceURL);
    {
        std::lock_guard lock(dataMutex);
        timers->append(timer);
    }
    // The first update starts now. Outside the mutex: tick may wait for a running
    // update, which itself needs the mutex to finish.
    timer->fire();
}
