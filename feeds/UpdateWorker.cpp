#include "core/NewsreelPlugin.h"
#include "core/UpdateLockGuard.h"

// Placeholder until the fetch and parse land: the update only gives the lock back.
void NewsreelPlugin::updateFeed(const QString& feedURL) {
    Q_UNUSED(feedURL);
    UpdateLockGuard lock(threadLock);
}

void NewsreelPlugin::parserDidEndDocument(const QString&, FeedDictionary&&, UpdateLockGuard& lock) {
    lock.release();
}
