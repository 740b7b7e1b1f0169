#include "platform/Workspace.h"

namespace platform {
namespace {
URLOpener opener;
}

bool openURL(const QUrl& url) {
    if (!opener) return false;
    return opener(url);
}

void setURLOpener(URLOpener newOpener) {
    opener = std::move(newOpener);
}

} // namespace platform
