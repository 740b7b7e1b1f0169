#pragma once
#include <QString>
#include <optional>

namespace platform {

// What a user typed as a feed URL, made whole: without a scheme it is read as
// https ("example.org/feed"), and "feed:" addresses lose that prefix. Nothing
// when it is not a URL a feed can have (white space inside, no host that could be
// one, another scheme than http, https or file).
std::optional<QString> typedFeedAddress(const QString& typed);

} // namespace platform
