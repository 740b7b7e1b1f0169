#pragma once
#include <QVariantList>
#include <QVariantMap>

class FeedSchedule;
class FeedStatusBoard;
class FeedStore;

// How each feed fares, as the host and the pane show it: one map per record of
// the list ("url", "enabled", "state", "message", "items", "title", "link",
// "lastAttempt", "lastSuccess", "next"), times in ISO 8601 UTC. Main thread (the
// schedule is read).
class SourceStatusReport {
  public:
    SourceStatusReport(const FeedStore& store, const FeedStatusBoard& board, const FeedSchedule& schedule)
        : store_(store), board_(board), schedule_(schedule) {}

    QVariantList sourceStatus() const;
    // The status of the record in row of the list; empty for no such row.
    QVariantMap sourceStatusOfRow(int row) const;
    QVariantMap statusMap(const QVariantMap& record) const;

  private:
    const FeedStore& store_;
    const FeedStatusBoard& board_;
    const FeedSchedule& schedule_;
};
