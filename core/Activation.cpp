#include "core/NewsreelPlugin.h"

#include "platform/SystemLog.h"
#include "platform/Values.h"

#include <cmath>

double NewsreelPlugin::timerPeriodForInterval(double minutes) {
    const double seconds = minutes * 60.0;
    // An absent, zero, negative or unreadable interval would fire without pause;
    // any positive one, fractions of a minute too, is taken as the user set it.
    if (!std::isfinite(seconds) || seconds <= 0) return kMinimumTimerPeriod;
    return seconds;
}

std::shared_ptr<platform::Timer> NewsreelPlugin::scheduleFeedTimer(double seconds, const QString& feedURL) {
    QPointer<NewsreelPlugin> self(this);
    return platform::Timer::scheduledTimerWithTimeInterval(
        seconds,
        [self](platform::Timer& timer) {
            if (self) self->tick(timer);
        },
        feedURL, true);
}

void NewsreelPlugin::activateWithServer(PNTickerServer* newServer) {
    setupWithServer(newServer);
    activate();
}

void NewsreelPlugin::activate() {
    active = true;
    // The update lock is created once with the plug-in and kept; see threadLock.
    QVariantList records;
    {
        std::lock_guard lock(dataMutex);
        records = feeds;
    }
    timers.emplace();
    timers->reserve(records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QVariantMap record = records.at(i).toMap();
        if (!platform::boolValue(record.value(QStringLiteral("enabled")))) {
            timers->append(nullptr);
            continue;
        }
        platform::systemLog(QStringLiteral("adding timer for feed #%1").arg(i));
        const double seconds =
            timerPeriodForInterval(platform::doubleValue(record.value(QStringLiteral("interval"))));
        // A record whose "url" is absent or not text is keyed by the empty text.
        const QString url = platform::textValue(record.value(QStringLiteral("url")));
        auto timer = scheduleFeedTimer(seconds, url);
        timers->append(timer);
        timer->fire();
    }
}

void NewsreelPlugin::deactivate() {
    active = false;
    QList<PNSignRef> signs;
    {
        std::lock_guard lock(dataMutex);
        if (topDictionary) {
            for (const QVariant& value : feeds) {
                const QString url = platform::textValue(value.toMap().value(QStringLiteral("url")));
                auto entry = topDictionary->find(url);
                if (entry == topDictionary->end() || !entry->tickers) continue;
                signs += *entry->tickers;
                entry->tickers->clear();
            }
        }
    }
    if (PNTickerServer* s = server.load())
        for (const PNSignRef& sign : signs)
            s->removeSign(sign);
    if (timers) {
        for (auto& timer : *timers)
            if (timer) timer->invalidate();
        timers.reset();
    }
}

void NewsreelPlugin::tick(platform::Timer& timer) {
    // The main thread only hands the update over: updates run one at a time, in
    // the order their timers fired, on the queue's worker.
    const QString url = timer.userInfo().toString();
    updateQueue.enqueue([this, url] {
        threadLock.lock();
        updateFeed(url);
    });
}

void NewsreelPlugin::refreshNow() {
    if (!timers) return;
    // Fired in feed order, as activation does; regular firings keep their schedule.
    const auto list = *timers;
    for (const auto& timer : list)
        if (timer) timer->fire();
}
