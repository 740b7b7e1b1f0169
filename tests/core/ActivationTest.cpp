// Activation, feed timers, the update lock and deactivation.
#include "tests/support/PluginFixture.h"

#include <QElapsedTimer>
#include <thread>

using Activation = PluginTest;

namespace {
QStringList timerLines(const QStringList& lines) {
    return lines.filter("adding timer");
}
} // namespace

TEST_F(Activation, NoRecordsNoTimersNoUpdatesAndNothingToRemove) {
    NewsreelPlugin& p = setUpPlugin();
    p.deactivate();
    EXPECT_FALSE(store().feed(QString()));
    p.activate();
    EXPECT_TRUE(p.isActive());
    ASSERT_TRUE(timers().has_value());
    EXPECT_TRUE(timers()->isEmpty());
    EXPECT_TRUE(timerLines(recorder->logLines()).isEmpty());
    EXPECT_FALSE(p.updatesRunning());
    EXPECT_TRUE(server.calls().isEmpty());
}

TEST_F(Activation, EnabledRecordsGetTimersDisabledOnesPlaceholders) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/a.xml", 30, true),
                                                 record("file:///nowhere/b.xml", 30, QVariant()),
                                                 record("file:///nowhere/c.xml", 0.5, true),
                                                 record("file:///nowhere/d.xml", 5, false)});
    NewsreelPlugin& p = setUpPlugin();
    p.activate();
    EXPECT_EQ(timerLines(recorder->logLines()),
              QStringList({"adding timer for feed #0", "adding timer for feed #2"}));
    // Half a minute is 30 seconds; 0 stands for no timer.
    const QList<double> periods{1800.0, 0, 30.0, 0};
    ASSERT_EQ(timers()->size(), periods.size());
    for (qsizetype i = 0; i < periods.size(); ++i)
        EXPECT_EQ(timers()->at(i) ? timers()->at(i)->timeInterval() : 0, periods[i]) << i;
    EXPECT_EQ(timers()->at(0)->userInfo().toString(), QStringLiteral("file:///nowhere/a.xml"));
    EXPECT_TRUE(waitForUpdates());
}

TEST_F(Activation, UnusableIntervalsGetTheOneMinuteFloorAndRecordsWithoutAnAddressNoTimer) {
    // Fractions of a minute are usable: 0.5 is a timer every 30 seconds.
    for (const auto& [interval, period] : {std::pair{0.0, 60.0},
                                           {-5.0, 60.0},
                                           {-0.5, 60.0},
                                           {std::nan(""), 60.0},
                                           {INFINITY, 60.0},
                                           {0.5, 30.0},
                                           {1.0, 60.0},
                                           {90.0, 5400.0}})
        EXPECT_EQ(FeedSchedule::timerPeriodForInterval(interval), period) << interval;
    const QVariantMap noInterval{{"url", "file:///x"}, {"enabled", true}};
    server.settings.insert(
        "feeds", QVariantList{noInterval, QVariantMap{{"url", 42}, {"interval", "soon"}, {"enabled", true}},
                              QVariantMap{{"interval", QVariantList{1}}, {"enabled", "1"}}});
    NewsreelPlugin& p = setUpPlugin();
    p.activate();
    ASSERT_EQ(timers()->size(), 3);
    ASSERT_TRUE(timers()->at(0));
    EXPECT_EQ(timers()->at(0)->timeInterval(), 60.0);
    // A "url" that is absent or no text reads as empty: no address yet, so nothing to fetch.
    EXPECT_FALSE(timers()->at(1));
    EXPECT_FALSE(timers()->at(2));
    EXPECT_EQ(store().records().at(0).toMap(), noInterval) << "the record itself is left as it is";
    EXPECT_TRUE(waitForUpdates());
    EXPECT_FALSE(p.feedUpdater().updateLock().isHeld());
}

TEST_F(Activation, DeactivationStopsTimersAndRemovesRecordedSigns) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/a.xml", 30, true),
                                                 record("file:///nowhere/b.xml", 30, false)});
    NewsreelPlugin& p = setUpPlugin();
    p.activate();
    ASSERT_TRUE(waitForUpdates());
    auto timer = timers()->at(0);
    auto s1 = std::make_shared<PNTextTickerSign>();
    auto s2 = std::make_shared<PNTextTickerSign>();
    auto other = std::make_shared<PNTextTickerSign>();
    store().append(record("file:///gone.xml", 30, false));
    ASSERT_TRUE(publishSigns("file:///nowhere/a.xml", {s1, s2}));
    ASSERT_TRUE(publishSigns("file:///gone.xml", {other}));
    // Signs of a feed no longer listed are not this deactivation's to remove.
    store().removeRows({2});
    server.clear();
    p.deactivate();
    EXPECT_FALSE(p.isActive());
    EXPECT_FALSE(timers().has_value());
    EXPECT_FALSE(timer->isValid());
    const auto calls = server.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].sign, s1);
    EXPECT_EQ(calls[1].sign, s2);
    EXPECT_TRUE(store().feed("file:///nowhere/a.xml")->tickers->isEmpty());
    server.clear();
    p.deactivate();
    EXPECT_TRUE(server.calls().isEmpty()) << "a second deactivation removes nothing";
}

TEST_F(Activation, ActivationNeverWaitsAndUpdatesNeverOverlap) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/a.xml", 30, true)});
    NewsreelPlugin& p = setUpPlugin();
    // An update of the earlier activation still holds the lock.
    p.feedUpdater().updateLock().lock();
    p.deactivate();
    p.activate(); // returns at once: the update waits on the worker, not here
    EXPECT_TRUE(p.updatesRunning());
    EXPECT_EQ(p.pane().sourceStatusOfRow(0).value("state"), QStringLiteral("pending"))
        << "the new update has not started while the earlier one runs";
    p.feedUpdater().updateLock().unlock();
    EXPECT_TRUE(waitForUpdates());
    EXPECT_EQ(p.pane().sourceStatusOfRow(0).value("state"), QStringLiteral("failed"));
    EXPECT_FALSE(p.feedUpdater().updateLock().isHeld());
    EXPECT_FALSE(p.feedUpdater().updateLock().unlock()) << "a release never frees a lock no update holds";
}

TEST_F(Activation, SecondActivationWithoutDeactivationStopsTheEarlierTimers) {
    server.settings.insert("feeds", QVariantList{record("file:///nowhere/a.xml", 30, true)});
    NewsreelPlugin& p = setUpPlugin();
    p.activate();
    const std::weak_ptr<platform::Timer> earlier = timers()->at(0);
    EXPECT_TRUE(waitForUpdates());
    p.activate();
    const auto survivor = earlier.lock();
    EXPECT_TRUE(!survivor || !survivor->isValid()) << "two timers would update the feed twice as often";
    EXPECT_TRUE(waitForUpdates());
}

TEST_F(Activation, TimersFireOnTheirPeriodAndCanBeFiredByHand) {
    int fired = 0;
    auto timer = platform::Timer::scheduledTimerWithTimeInterval(
        0.02, [&](platform::Timer&) { ++fired; }, QStringLiteral("u"), true);
    timer->fire();
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(waitUntil([&] { return fired >= 3; }, 2000));
    timer->invalidate();
    const int after = fired;
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(fired, after);
    timer->fire();
    EXPECT_EQ(fired, after) << "an invalidated timer does not fire";
}

namespace {
QVariantList enabledRecords(int count, const QString& prefix = QStringLiteral("file:///nowhere/")) {
    QVariantList records;
    for (int i = 0; i < count; ++i)
        records.append(QVariantMap{{QStringLiteral("url"), prefix + QString::number(i) + ".xml"},
                                   {QStringLiteral("interval"), 30},
                                   {QStringLiteral("enabled"), true}});
    return records;
}
} // namespace

// A long list's first firings are spread over turns of the event loop, in list
// order; what happens to a feed meanwhile happens to the firing it waits for.
TEST(FeedScheduleTurns, ALongListFiresInListOrderOverSeveralTurns) {
    QStringList ticks;
    FeedSchedule schedule([&](const QString& url) { ticks.append(url); });
    int done = 0;
    schedule.setPendingFiringsDone([&] { ++done; });
    const int count = 2 * int(FeedSchedule::kFiringsPerTurn) + 50;
    const QVariantList records = enabledRecords(count);
    schedule.start(records);
    ASSERT_TRUE(schedule.timers());
    EXPECT_EQ(schedule.timers()->size(), count) << "every timer exists at once";
    EXPECT_EQ(ticks.size(), FeedSchedule::kFiringsPerTurn);
    EXPECT_TRUE(schedule.firingsPending());

    // Removed while waiting: never fires. Renamed: fires under its new address.
    // Added meanwhile: fires after the ones waiting.
    schedule.remove(QStringLiteral("file:///nowhere/150.xml"));
    schedule.rename(QStringLiteral("file:///nowhere/160.xml"), QStringLiteral("file:///moved/160.xml"));
    schedule.add(QStringLiteral("file:///new.xml"), 60);
    EXPECT_EQ(ticks.size(), FeedSchedule::kFiringsPerTurn) << "an added feed does not jump the queue";

    ASSERT_TRUE(waitUntil([&] { return !schedule.firingsPending(); }));
    EXPECT_EQ(done, 1);
    QStringList expected;
    for (int i = 0; i < count; ++i)
        if (i != 150)
            expected.append(i == 160 ? QStringLiteral("file:///moved/160.xml")
                                     : QStringLiteral("file:///nowhere/%1.xml").arg(i));
    expected.append(QStringLiteral("file:///new.xml"));
    EXPECT_EQ(ticks, expected);

    // A refresh of the whole list is spread the same way; a stop ends it.
    ticks.clear();
    schedule.fireAll();
    EXPECT_EQ(ticks.size(), FeedSchedule::kFiringsPerTurn);
    schedule.stop();
    EXPECT_FALSE(schedule.firingsPending());
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(ticks.size(), FeedSchedule::kFiringsPerTurn) << "nothing fires after the stop";
    EXPECT_EQ(done, 1);

    // A short list fires whole at once, as it always did.
    schedule.start(enabledRecords(3));
    EXPECT_EQ(ticks.size(), FeedSchedule::kFiringsPerTurn + 3);
    EXPECT_FALSE(schedule.firingsPending());
}

// The host hears of idleness once, when every feed of a long list was updated,
// not when the worker catches up with the firings of one turn.
TEST_F(Activation, ALongListIsIdleOnlyOnceEveryFeedWasUpdated) {
    const int count = int(FeedSchedule::kFiringsPerTurn) + 20;
    server.settings.insert("feeds", enabledRecords(count));
    NewsreelPlugin& p = setUpPlugin();
    // The worker waits until the first turn's firings are all handed over.
    p.feedUpdater().updateLock().lock();
    p.activate();
    EXPECT_TRUE(p.updatesRunning());
    p.feedUpdater().updateLock().unlock();
    ASSERT_TRUE(waitUntil([&] { return server.idleReports.load() > 0; }, 20000));
    EXPECT_FALSE(p.updatesRunning());
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(server.idleReports.load(), 1);
    for (int row = 0; row < count; ++row)
        EXPECT_EQ(p.pane().sourceStatusOfRow(row).value("state"), QStringLiteral("failed")) << row;
}
