#pragma once
#include <QByteArray>

namespace platform {

// The charset parameter of a Content-Type value ("text/xml; charset=KOI8-R" gives
// "KOI8-R"), unquoted; empty when there is none.
QByteArray charsetOf(const QByteArray& contentType);

} // namespace platform
