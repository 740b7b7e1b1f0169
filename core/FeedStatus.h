#pragma once
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariantMap>

// How each feed fared at its last update, keyed by feed URL. The main thread
// records an update's result and reads the board for the host and the pane;
// "updating" is not recorded here but read off the worker while it runs.
class FeedStatusBoard {
  public:
    enum class State { Pending, Updating, Ok, NotModified, Failed, Deferred };
    struct Status {
        State state = State::Pending;
        QString message;
        int items = 0;
        QString title;
        QString link;
        QDateTime lastAttempt;
        QDateTime lastSuccess;
    };

    static QString stateName(State state);

    Status status(const QString& url) const;
    // An attempt ended in failure or deferral; title and items stay as they were.
    void fail(const QString& url, State state, const QString& message, const QDateTime& now);
    // An attempt ended well: with a new document (Ok) or none (NotModified). The
    // message is empty, or says what was repaired in a document that was not
    // well formed and what of it was left out.
    void succeed(const QString& url, State state, int items, const QString& title, const QString& link,
                 const QDateTime& now, const QString& message = {});

  private:
    QHash<QString, Status> statuses_;
};
