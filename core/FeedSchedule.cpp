#include "core/FeedSchedule.h"

#include "core/FeedRecordAddress.h"

#include "core/SettingsKeys.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"

#include <cmath>

FeedSchedule::FeedSchedule(Tick tick) : tick_(std::make_shared<Tick>(std::move(tick))) {}

FeedSchedule::~FeedSchedule() {
    stop();
    *tick_ = nullptr;
}

double FeedSchedule::timerPeriodForInterval(double minutes) {
    const double seconds = minutes * 60.0;
    // An absent, zero, negative or unreadable interval would fire without pause;
    // any positive one, fractions of a minute too, is taken as the user set it.
    if (!std::isfinite(seconds) || seconds <= 0) return limits::kMinimumTimerPeriod;
    return seconds;
}

std::shared_ptr<platform::Timer> FeedSchedule::makeTimer(double seconds, const QString& feedURL) {
    std::weak_ptr<Tick> tick = tick_;
    return platform::Timer::scheduledTimerWithTimeInterval(
        seconds,
        [tick](platform::Timer& timer) {
            if (const auto live = tick.lock(); live && *live) (*live)(timer.userInfo().toString());
        },
        feedURL, true);
}

qsizetype FeedSchedule::indexOf(const QString& feedURL) const {
    // Found by what they update, never by position; disabled feeds' places are
    // passed over.
    if (!timers_) return -1;
    for (qsizetype i = 0; i < timers_->size(); ++i) {
        const auto& timer = timers_->at(i);
        if (timer && timer->userInfo().toString() == feedURL) return i;
    }
    return -1;
}

void FeedSchedule::start(const QVariantList& records, bool firstUpdateNow) {
    stop();
    timers_.emplace();
    timers_->reserve(records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QVariantMap record = records.at(i).toMap();
        if (!platform::boolValue(record.value(recordkeys::kEnabled)) ||
            awaitsAddress(platform::textValue(record.value(recordkeys::kURL)))) {
            timers_->append(nullptr);
            continue;
        }
        platform::systemNote(QStringLiteral("adding timer for feed #%1").arg(i));
        const double seconds =
            timerPeriodForInterval(platform::doubleValue(record.value(recordkeys::kInterval)));
        // A record whose "url" is absent or not text is keyed by the empty text.
        auto timer = makeTimer(seconds, platform::textValue(record.value(recordkeys::kURL)));
        timers_->append(timer);
        if (firstUpdateNow) timer->fire();
    }
}

void FeedSchedule::stop() {
    if (!timers_) return;
    for (auto& timer : *timers_)
        if (timer) timer->invalidate();
    timers_.reset();
}

void FeedSchedule::add(const QString& feedURL, double seconds) {
    if (!timers_) return;
    auto timer = makeTimer(seconds, feedURL);
    timers_->append(timer);
    timer->fire();
}

void FeedSchedule::remove(const QString& feedURL) {
    if (const qsizetype i = indexOf(feedURL); i >= 0) {
        timers_->at(i)->invalidate();
        timers_->removeAt(i);
    }
}

void FeedSchedule::setPeriod(const QString& feedURL, double seconds) {
    const qsizetype i = indexOf(feedURL);
    if (i < 0) return;
    auto& timer = (*timers_)[i];
    if (timer->timeInterval() == seconds) return;
    timer->invalidate();
    timer = makeTimer(seconds, feedURL);
}

void FeedSchedule::rename(const QString& from, const QString& to) {
    if (!timers_) return;
    for (auto& timer : *timers_)
        if (timer && timer->isValid() && timer->userInfo().toString() == from) {
            const double seconds = timer->timeInterval();
            timer->invalidate();
            timer = makeTimer(seconds, to);
        }
}

void FeedSchedule::fireAll() {
    if (!timers_) return;
    // A copy: a firing may change the list.
    const Timers list = *timers_;
    for (const auto& timer : list)
        if (timer) timer->fire();
}

QDateTime FeedSchedule::nextFireDate(const QString& feedURL) const {
    if (!timers_) return {};
    for (const auto& timer : *timers_)
        if (timer && timer->isValid() && timer->userInfo().toString() == feedURL) return timer->fireDate();
    return {};
}
