#include "platform/UpdateLock.h"

namespace platform {

void UpdateLock::lock() {
    std::unique_lock guard(mutex_);
    freed_.wait(guard, [this] { return !held_; });
    held_ = true;
}

bool UpdateLock::tryLock() {
    std::lock_guard guard(mutex_);
    if (held_) return false;
    held_ = true;
    return true;
}

bool UpdateLock::unlock() {
    {
        std::lock_guard guard(mutex_);
        if (!held_) return false;
        held_ = false;
    }
    freed_.notify_one();
    return true;
}

bool UpdateLock::isHeld() const {
    std::lock_guard guard(mutex_);
    return held_;
}

} // namespace platform
