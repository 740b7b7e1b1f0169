#include "platform/MainThreadMailbox.h"

#include <QSocketNotifier>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

MainThreadMailbox::MainThreadMailbox(QObject* parent) : QObject(parent) {
    fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd_ < 0) return;
    notifier_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { deliver(); });
}

MainThreadMailbox::~MainThreadMailbox() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

void MainThreadMailbox::post(std::function<void()> work) {
    {
        std::lock_guard guard(mutex_);
        pending_.push_back(std::move(work));
    }
    const std::uint64_t one = 1;
    if (fd_ < 0 || ::write(fd_, &one, sizeof one) != sizeof one) {
        // No eventfd (or it is full): the work still runs, at the next delivery.
    }
}

void MainThreadMailbox::deliver() {
    std::uint64_t count = 0;
    while (::read(fd_, &count, sizeof count) == sizeof count) {
    }
    std::vector<std::function<void()>> work;
    {
        std::lock_guard guard(mutex_);
        work.swap(pending_);
    }
    for (auto& w : work)
        w();
}

} // namespace platform
