#pragma once
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class FeedSchedule;
class FeedStatusBoard;
class FeedStore;

// How each feed fares, as the host and the pane show it: one map per record of
// the list ("url", "enabled", "state", "message", "items", "title", "link",
// "lastAttempt", "lastSuccess", "next"), times in ISO 8601 UTC. Main thread (the
// schedule is read).
class SourceStatusReport {
  public:
    // updatingFeed: the feed whose update runs now, if any.
    SourceStatusReport(const FeedStore& store, const FeedStatusBoard& board, const FeedSchedule& schedule,
                       std::function<QString()> updatingFeed)
        : store_(store), board_(board), schedule_(schedule), updatingFeed_(std::move(updatingFeed)) {}

    QVariantList sourceStatus() const;
    // The status of the record in row of the list; empty for no such row.
    QVariantMap sourceStatusOfRow(int row) const;
    QVariantMap statusMap(const QVariantMap& record) const;

  private:
    const FeedStore& store_;
    const FeedStatusBoard& board_;
    const FeedSchedule& schedule_;
    std::function<QString()> updatingFeed_;
};
