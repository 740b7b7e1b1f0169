#include "app/window/QuitSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
}

const int handled[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

QuitSignals::QuitSignals(std::function<void()> onQuit) : onQuit_(std::move(onQuit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pipeEnds) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(pipeEnds[1], &byte, 1);
        if (onQuit_) onQuit_();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : handled)
        sigaction(s, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    for (int s : handled)
        signal(s, SIG_DFL);
    delete notifier_;
    for (int& end : pipeEnds) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}
