#pragma once
#include "platform/Timer.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>

// The feeds' timers while the plug-in is active: one per record of the list in
// activation order, a null entry for a disabled feed. A timer carries its feed's
// URL and hands it to the tick when it fires. Main thread only.
class FeedSchedule {
  public:
    using Tick = std::function<void(const QString& feedURL)>;
    using Timers = QList<std::shared_ptr<platform::Timer>>;

    explicit FeedSchedule(Tick tick);
    ~FeedSchedule();
    FeedSchedule(const FeedSchedule&) = delete;
    FeedSchedule& operator=(const FeedSchedule&) = delete;

    // Seconds between two updates of a record: "interval" minutes × 60; one
    // minute when the interval is absent, not positive or not a number.
    static double timerPeriodForInterval(double minutes);

    // Firing hands an update over to the worker, a small cost that a list of a
    // thousand feeds makes a stall the strip and the menus would show. Timers
    // fire at most this many at a time, in list order; the rest fire on the
    // next turns of the event loop.
    static constexpr qsizetype kFiringsPerTurn = 100;

    // A timer for every enabled record, each fired at once in list order unless
    // firstUpdateNow is false (a long list's later ones on the next turns). Timers
    // of an earlier start are stopped first: two would update a feed twice as often.
    void start(const QVariantList& records, bool firstUpdateNow = true);
    // Stops every timer; the schedule holds none until the next start.
    void stop();
    bool isRunning() const { return timers_.has_value(); }
    const std::optional<Timers>& timers() const { return timers_; }

    // Firings left for a later turn; set, called once the last of them fired.
    bool firingsPending() const { return !pendingFirings_.isEmpty(); }
    void setPendingFiringsDone(std::function<void()> done) { pendingFiringsDone_ = std::move(done); }

    // A new feed's timer, fired at once (after those waiting). Nothing while stopped.
    void add(const QString& feedURL, double seconds);
    // The feed's timer stops and leaves the list.
    void remove(const QString& feedURL);
    // The feed's timer runs at a new pace from now, unless it runs at it already.
    void setPeriod(const QString& feedURL, double seconds);
    // A feed that took another URL: its timer goes on at the same pace under the
    // new URL, without firing now.
    void rename(const QString& from, const QString& to);
    // Every timer fires now (a long list's later ones on the next turns), in list
    // order; the regular firings keep their schedule.
    void fireAll();
    // When the feed's timer fires next; invalid when it has none.
    QDateTime nextFireDate(const QString& feedURL) const;

  private:
    std::shared_ptr<platform::Timer> makeTimer(double seconds, const QString& feedURL);
    qsizetype indexOf(const QString& feedURL) const;
    void fireInTurns(const Timers& timers);
    void fireOneTurn();
    // A timer that took another's place is fired in its place.
    void replacePending(const std::shared_ptr<platform::Timer>& from,
                        const std::shared_ptr<platform::Timer>& to);

    // Shared with the timers' actions, so a timer that outlives the schedule
    // (held elsewhere) ticks nothing.
    std::shared_ptr<Tick> tick_;
    std::optional<Timers> timers_;
    Timers pendingFirings_;
    std::shared_ptr<platform::Timer> nextTurn_;
    std::shared_ptr<platform::Timer> retiredTurn_;
    std::function<void()> pendingFiringsDone_;
};
