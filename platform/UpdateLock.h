#pragma once
#include <condition_variable>
#include <mutex>

namespace platform {

// A binary semaphore: one thread takes it, another may give it back. Giving back
// a lock that is free does nothing and says so, instead of freeing it twice.
class UpdateLock {
  public:
    void lock();
    bool tryLock();
    // Returns false when the lock was already free.
    bool unlock();
    bool isHeld() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    bool held_ = false;
};

} // namespace platform
