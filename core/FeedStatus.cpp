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
    std::lock_guard guard(mutex_);
    return statuses_.value(url);
}

FeedStatusBoard::Status FeedStatusBoard::begin(const QString& url, const QDateTime& now) {
    std::lock_guard guard(mutex_);
    Status& s = statuses_[url];
    const Status before = s;
    s.state = State::Updating;
    s.lastAttempt = now;
    return before;
}

void FeedStatusBoard::restore(const QString& url, const Status& before) {
    std::lock_guard guard(mutex_);
    statuses_[url] = before;
}

void FeedStatusBoard::fail(const QString& url, State state, const QString& message, const QDateTime& now) {
    std::lock_guard guard(mutex_);
    Status& s = statuses_[url];
    s.state = state;
    s.message = message;
    s.lastAttempt = now;
}

void FeedStatusBoard::succeed(const QString& url, State state, int items, const QString& title,
                              const QString& link, const QDateTime& now, const QString& message) {
    std::lock_guard guard(mutex_);
    Status& s = statuses_[url];
    s.state = state;
    s.message = message;
    s.items = items;
    s.title = title;
    s.link = link;
    s.lastAttempt = now;
    s.lastSuccess = now;
}
