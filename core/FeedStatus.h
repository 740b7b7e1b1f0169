#pragma once
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariantMap>
#include <mutex>

// How each feed fared at its last update, keyed by feed URL. Updates write it on
// the worker; the host and the pane read it on the main thread. Its own mutex,
// held only to copy in or out.
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
    // An attempt begins: the state becomes updating, the rest stays. Returns the
    // status it had, for restore().
    Status begin(const QString& url, const QDateTime& now);
    // An attempt that was called off (the plug-in deactivated): the feed is shown
    // as it was before, since nothing was learnt of it.
    void restore(const QString& url, const Status& before);
    // An attempt ended in failure or deferral; title and items stay as they were.
    void fail(const QString& url, State state, const QString& message, const QDateTime& now);
    // An attempt ended well: with a new document (Ok) or none (NotModified). The
    // message is empty, or says what was repaired in a document that was not
    // well formed and what of it was left out.
    void succeed(const QString& url, State state, int items, const QString& title, const QString& link,
                 const QDateTime& now, const QString& message = {});

  private:
    mutable std::mutex mutex_;
    QHash<QString, Status> statuses_;
};
