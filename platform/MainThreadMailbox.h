#pragma once
#include <QObject>
#include <functional>
#include <mutex>
#include <vector>

class QSocketNotifier;

namespace platform {

// Hands work from any thread to the thread that made the mailbox (the main one).
// The work waits in a list behind a mutex of ours, and an eventfd wakes the main
// thread's event loop: nothing allocated by the sending thread travels through
// Qt's event queue, whose locking thread checkers cannot see.
class MainThreadMailbox : public QObject {
  public:
    explicit MainThreadMailbox(QObject* parent = nullptr);
    ~MainThreadMailbox() override;
    MainThreadMailbox(const MainThreadMailbox&) = delete;
    MainThreadMailbox& operator=(const MainThreadMailbox&) = delete;

    // Runs work on the mailbox's thread, soon, in the order posted. Any thread.
    void post(std::function<void()> work);

  private:
    void deliver();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::mutex mutex_;
    std::vector<std::function<void()>> pending_;
};

} // namespace platform
