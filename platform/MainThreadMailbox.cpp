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
    // A wake-up for every piece, even behind others: a delivery nested in a
    // piece of work (a modal loop) must hear of what came meanwhile.
    wake();
}

void MainThreadMailbox::wake() {
    const std::uint64_t one = 1;
    if (fd_ < 0 || ::write(fd_, &one, sizeof one) != sizeof one) {
        // No eventfd (or it is full): the work still runs, at the next delivery.
    }
}

void MainThreadMailbox::deliver() {
    std::uint64_t count = 0;
    while (::read(fd_, &count, sizeof count) == sizeof count) {
    }
    // One piece at a time off the list, so that work posted meanwhile (from
    // here or another thread) queues behind what waits, and a delivery nested
    // in a piece of work (a modal loop) carries on in order rather than
    // overtaking it.
    const auto until = std::chrono::steady_clock::now() + budget_;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard guard(mutex_);
            if (pending_.empty()) return;
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        work();
        if (std::chrono::steady_clock::now() >= until) break;
    }
    // Budget spent: the rest after the event loop's next turn, woken as if
    // posted now.
    bool more = false;
    {
        std::lock_guard guard(mutex_);
        more = !pending_.empty();
    }
    if (more) wake();
}

} // namespace platform
