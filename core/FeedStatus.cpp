#include "core/FeedStatus.h"

QString FeedStatusBoard::stateName(State state) {
    switch (state) {
    case State::Pending:
        return QStringLiteral("pending");
    case State::Updating:
        return QStringLiteral("updating");
    case State::Ok:
        return QStringLiteral("ok");
    case State::NotModified:
        return QStringLiteral("not-modified");
    case State::Failed:
        return QStringLiteral("failed");
    case State::Deferred:
        return QStringLiteral("deferred");
    }
    return QStringLiteral("pending");
}

FeedStatusBoard::Status FeedStatusBoard::status(const QString& url) const {
    return statuses_.value(url);
}

void FeedStatusBoard::fail(const QString& url, State state, const QString& message, const QDateTime& now) {
    Status& s = statuses_[url];
    s.state = state;
    s.message = message;
    s.lastAttempt = now;
}

void FeedStatusBoard::succeed(const QString& url, State state, int items, const QString& title,
                              const QString& link, const QDateTime& now, const QString& message) {
    Status& s = statuses_[url];
    s.state = state;
    s.message = message;
    s.items = items;
    s.title = title;
    s.link = link;
    s.lastAttempt = now;
    s.lastSuccess = now;
}
