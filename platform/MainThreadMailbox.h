#pragma once
#include <QObject>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>

class QSocketNotifier;

namespace platform {

// Hands work from any thread to the thread that made the mailbox (the main one).
// The work waits in a list behind a mutex of ours, and an eventfd wakes the main
// thread's event loop: nothing allocated by the sending thread travels through
// Qt's event queue, whose locking thread checkers cannot see.
//
// A delivery runs work, oldest first, until its time budget is spent, then asks
// to be woken again for the rest: hundreds of results that arrive together do
// not keep the event loop (painting, input, timers) from turning for their sum.
class MainThreadMailbox : public QObject {
  public:
    // What one delivery may spend before the event loop gets a turn.
    static constexpr std::chrono::microseconds kDefaultBudget{4000};

    explicit MainThreadMailbox(QObject* parent = nullptr);
    ~MainThreadMailbox() override;
    MainThreadMailbox(const MainThreadMailbox&) = delete;
    MainThreadMailbox& operator=(const MainThreadMailbox&) = delete;

    // Runs work on the mailbox's thread, soon, in the order posted. Any thread.
    void post(std::function<void()> work);

    // At least one piece of work runs per delivery, however small the budget.
    // Mailbox thread.
    void setBudget(std::chrono::microseconds budget) { budget_ = budget; }

  private:
    void deliver();
    void wake();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::chrono::microseconds budget_ = kDefaultBudget;
    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
};

} // namespace platform
