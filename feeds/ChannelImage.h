#pragma once
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

// Fetches and decodes the image at url with the given bounds.
std::optional<QImage> fetchChannelImage(const QUrl& url, const platform::FetchLimits& limits,
                                        const std::atomic<bool>* cancel);
