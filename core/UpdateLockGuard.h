#pragma once
#include "platform/UpdateLock.h"

// Holds the update lock that the queue's job took for one update and gives it
// back exactly once: when the update's signs are out, or when it ends on any path.
class UpdateLockGuard {
  public:
    explicit UpdateLockGuard(platform::UpdateLock& lock) : lock_(lock) {}
    ~UpdateLockGuard() { release(); }
    UpdateLockGuard(const UpdateLockGuard&) = delete;
    UpdateLockGuard& operator=(const UpdateLockGuard&) = delete;

    void release() {
        if (released_) return;
        released_ = true;
        lock_.unlock();
    }
    bool released() const { return released_; }

  private:
    platform::UpdateLock& lock_;
    bool released_ = false;
};
