#include "tests/support/RecordingServer.h"

QVariantMap* RecordingServer::preferencesForIdentifier(const QString& identifier) {
    askedIdentifier = identifier;
    return &settings;
}

void RecordingServer::note(Call::Kind kind, const PNSignRef& sign) {
    std::lock_guard guard(mutex_);
    calls_.append({kind, sign});
    if (kind == Call::Remove)
        onTicker_.removeOne(sign);
    else
        onTicker_.append(sign);
}

QWidget* RecordingServer::tickerView() {
    if (!view_) view_ = std::make_unique<QWidget>();
    return view_.get();
}

QList<RecordingServer::Call> RecordingServer::calls() const {
    std::lock_guard guard(mutex_);
    return calls_;
}

QList<PNSignRef> RecordingServer::onTicker() const {
    std::lock_guard guard(mutex_);
    return onTicker_;
}

void RecordingServer::clear() {
    std::lock_guard guard(mutex_);
    calls_.clear();
}
