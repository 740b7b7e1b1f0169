#pragma once
#include "feeds/FetchCache.h"
#include "host/PNTypes.h"
#include "platform/UrlFetcher.h"

#include <QImage>
#include <QSize>
#include <optional>

// The size a channel image is shown at: the ticker's height, dropping the
// fraction, and the width that keeps the image's aspect ratio (single precision,
// not rounded). Nothing for an image without height.
std::optional<PNSize> channelImageDisplaySize(QSize imageSize, float viewHeight);

// Decodes image bytes within the reader's allocation limit; nothing when they are
// not an image.
std::optional<QImage> decodeChannelImage(const QByteArray& bytes);

// Fetches and decodes the image at url with the given bounds. With a cache, the
// image is revalidated and the decoded one reused when unchanged (or while the
// server asked us to wait). With a session, the fetch goes over its handles.
std::optional<QImage> fetchChannelImage(const QUrl& url, const platform::FetchLimits& limits,
                                        const std::atomic<bool>* cancel, FetchCache* cache = nullptr,
                                        platform::FetchSession* session = nullptr);

// The image a sign keeps: scaled down to twice the height it is shown at (sharp
// on a high-density screen) when it is larger, so a huge logo does not keep its
// full decoded size alive for as long as its sign is shown.
QImage imageForDisplay(const QImage& image, PNSize displaySize);
