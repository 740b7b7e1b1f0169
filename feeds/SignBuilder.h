#pragma once
#include "core/FeedDictionary.h"
#include "feeds/FetchCache.h"
#include "platform/UrlFetcher.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <atomic>

// Turns a feed dictionary into the signs that show it: the channel image first
// (fetched and decoded here, before anything is published), then one text sign
// per item that is not hidden. Runs on the update worker; shares nothing but the
// fetch cache, which has its own lock.
class SignBuilder {
  public:
    // The channel image is fetched over session, the worker's own handles.
    SignBuilder(FetchCache& cache, const platform::FetchLimits& limits, const std::atomic<bool>& cancelled,
                platform::FetchSession& session)
        : cache_(cache), limits_(limits), cancelled_(cancelled), session_(session) {}

    struct Signs {
        QList<PNSignRef> all; // image sign first, when there is one
        int itemCount = 0;
    };
    // viewHeight is the ticker's: an image is shown at that height. Lines for the
    // system log are added to *log, for the caller to write when it shows the signs.
    Signs build(const QString& feedURL, const FeedDictionary& feed, const QVariantList& hiddenItems,
                int titleLength, float viewHeight, QStringList* log);

  private:
    PNSignRef channelImageSign(const QString& feedURL, const FeedChannel& channel, float viewHeight);
    QList<PNSignRef> itemSigns(const QString& feedURL, const FeedDictionary& feed,
                               const QVariantList& hiddenItems, int titleLength, QStringList* log);

    FetchCache& cache_;
    const platform::FetchLimits& limits_;
    const std::atomic<bool>& cancelled_;
    platform::FetchSession& session_;
};
