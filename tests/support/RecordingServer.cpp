#include "tests/support/RecordingServer.h"

QVariantMap* RecordingServer::preferencesForIdentifier(const QString& identifier) {
    askedIdentifier = identifier;
    return &settings;
}

void RecordingServer::addSign(const PNSignRef& sign) {
    std::lock_guard guard(mutex_);
    calls_.append({Call::Add, sign});
    onTicker_.append(sign);
}

void RecordingServer::addSign(const PNSignRef& sign, PNPennantClientProtocol*) {
    std::lock_guard guard(mutex_);
    calls_.append({Call::AddWithClient, sign});
    onTicker_.append(sign);
}

void RecordingServer::removeSign(const PNSignRef& sign) {
    std::lock_guard guard(mutex_);
    calls_.append({Call::Remove, sign});
    onTicker_.removeOne(sign);
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
