#pragma once
#include <QString>
#include <optional>

namespace platform {

// What a user typed as a feed URL, made whole: without a scheme it is read as
// https ("example.org/feed"), and "feed:" addresses lose that prefix. Nothing
// when it is not a URL a feed can have (white space inside, no host that could be
// one, another scheme than http, https or file); then *why, if given, says which
// in words for the one who typed it.
std::optional<QString> typedFeedAddress(const QString& typed, QString* why = nullptr);

// Whether the scheme of a typed address was guessed (none was typed), so that
// "https://" in the result is a guess, not the user's word.
bool typedWithoutScheme(const QString& typed);

} // namespace platform
