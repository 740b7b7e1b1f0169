#include "core/FeedSchedule.h"

#include "core/FeedRecordAddress.h"

#include "core/SettingsKeys.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"

#include <algorithm>
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
    Timers firings;
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
        if (firstUpdateNow) firings.append(timer);
    }
    fireInTurns(firings);
}

void FeedSchedule::fireInTurns(const Timers& timers) {
    if (!pendingFirings_.isEmpty()) {
        pendingFirings_ += timers; // fired in their turn, after those waiting
        return;
    }
    pendingFirings_ = timers;
    fireOneTurn();
    if (pendingFirings_.isEmpty()) return;
    // The timer of a finished round may be the one whose action is running (a
    // host refreshing when told of idleness): it is kept until the round after.
    retiredTurn_ = std::move(nextTurn_);
    nextTurn_ = platform::Timer::scheduledTimerWithTimeInterval(
        0,
        [this](platform::Timer& turn) {
            fireOneTurn();
            if (!pendingFirings_.isEmpty()) return;
            turn.invalidate();
            if (pendingFiringsDone_) pendingFiringsDone_();
        },
        {}, true);
}

void FeedSchedule::fireOneTurn() {
    const qsizetype count = std::min(kFiringsPerTurn, pendingFirings_.size());
    const Timers now = pendingFirings_.first(count);
    pendingFirings_.remove(0, count);
    for (const auto& timer : now)
        timer->fire(); // one invalidated meanwhile (its feed removed) fires nothing
}

void FeedSchedule::replacePending(const std::shared_ptr<platform::Timer>& from,
                                  const std::shared_ptr<platform::Timer>& to) {
    for (auto& pending : pendingFirings_)
        if (pending == from) pending = to;
}

void FeedSchedule::stop() {
    pendingFirings_.clear();
    if (nextTurn_) nextTurn_->invalidate();
    if (!timers_) return;
    for (auto& timer : *timers_)
        if (timer) timer->invalidate();
    timers_.reset();
}

void FeedSchedule::add(const QString& feedURL, double seconds) {
    if (!timers_) return;
    auto timer = makeTimer(seconds, feedURL);
    timers_->append(timer);
    fireInTurns({timer});
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
    auto replaced = makeTimer(seconds, feedURL);
    replacePending(timer, replaced);
    timer = std::move(replaced);
}

void FeedSchedule::rename(const QString& from, const QString& to) {
    if (!timers_) return;
    for (auto& timer : *timers_)
        if (timer && timer->isValid() && timer->userInfo().toString() == from) {
            const double seconds = timer->timeInterval();
            timer->invalidate();
            auto renamed = makeTimer(seconds, to);
            replacePending(timer, renamed);
            timer = std::move(renamed);
        }
}

void FeedSchedule::fireAll() {
    if (!timers_) return;
    Timers firings;
    firings.reserve(timers_->size());
    for (const auto& timer : *timers_)
        if (timer) firings.append(timer);
    fireInTurns(firings);
}

QDateTime FeedSchedule::nextFireDate(const QString& feedURL) const {
    if (!timers_) return {};
    for (const auto& timer : *timers_)
        if (timer && timer->isValid() && timer->userInfo().toString() == feedURL) return timer->fireDate();
    return {};
}
