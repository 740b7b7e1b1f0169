#pragma once
#include <QUrl>
#include <functional>

namespace platform {

// Hands URLs to the system's handlers. The host decides how (a desktop opener, or
// a record in headless mode); it answers whether a handler took the URL. Without
// an opener installed nothing is opened and the answer is false.
bool openURL(const QUrl& url);

using URLOpener = std::function<bool(const QUrl& url)>;
void setURLOpener(URLOpener opener);

} // namespace platform
