#include "tests/app/SpawnedProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// The strings, and the null-ended list of pointers to them that exec takes.
struct CStrings {
    explicit CStrings(const QList<QByteArray>& list) : strings(list) {
        for (QByteArray& s : strings)
            pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
    QList<QByteArray> strings;
    std::vector<char*> pointers;
};

} // namespace

bool SpawnedProcess::Output::drain() {
    char buffer[65536];
    while (fd >= 0 && !ended) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            // The fd stays open until the process is done with: this may run in the notifier's own signal.
            ended = true;
            if (notifier) notifier->setEnabled(false);
        } else if (errno == EAGAIN) {
            return true;
        }
    }
    return false;
}

void SpawnedProcess::Output::close() {
    notifier.reset();
    closeFd(fd);
    ended = false;
}

SpawnedProcess::~SpawnedProcess() {
    if (running()) kill();
    closeAll();
}

void SpawnedProcess::closeAll() {
    closeFd(in_);
    out_.close();
    err_.close();
    closeFd(pidfd_);
}

bool SpawnedProcess::start(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment, bool forwardErrors) {
    closeAll();
    status_.reset();
    exitedNormally_ = false;
    out_.bytes.clear();
    err_.bytes.clear();
    // A child that ends before it has read its input must not end the test (as
    // QProcess, the test ignores SIGPIPE); the child gets the default back.
    std::signal(SIGPIPE, SIG_IGN);

    // Every end is closed on exec; the child's copies on 0, 1 and 2 are not.
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        (!forwardErrors && ::pipe2(err, O_CLOEXEC) != 0)) {
        for (int* fd : {&in[0], &in[1], &out[0], &out[1], &err[0], &err[1]})
            closeFd(*fd);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (!forwardErrors) posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    QList<QByteArray> argv{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argv << argument.toLocal8Bit();
    QList<QByteArray> envp;
    for (const QString& variable : environment.toStringList())
        envp << variable.toLocal8Bit();
    CStrings args(argv), env(envp);
    const int failed = ::posix_spawn(&pid_, argv.first().constData(), &actions, &attributes,
                                     args.pointers.data(), env.pointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    for (int* fd : {&in[0], &out[1], &err[1]})
        closeFd(*fd);
    if (failed) {
        errno = failed;
        pid_ = -1;
        for (int* fd : {&in[1], &out[0], &err[0]})
            closeFd(*fd);
        return false;
    }
    in_ = in[1];
    out_.fd = out[0];
    err_.fd = err[0];
    pidfd_ = int(::syscall(SYS_pidfd_open, pid_, 0));
    ::fcntl(in_, F_SETFL, O_NONBLOCK);
    for (Output* output : {&out_, &err_}) {
        if (output->fd < 0) continue;
        ::fcntl(output->fd, F_SETFL, O_NONBLOCK);
        output->notifier = std::make_unique<QSocketNotifier>(output->fd, QSocketNotifier::Read);
        QObject::connect(output->notifier.get(), &QSocketNotifier::activated, [output] { output->drain(); });
    }
    return true;
}

bool SpawnedProcess::pump(int timeoutMs, bool forInput) {
    pollfd fds[4];
    nfds_t count = 0;
    for (Output* output : {&out_, &err_})
        if (output->fd >= 0 && !output->ended) fds[count++] = {output->fd, POLLIN, 0};
    if (!status_ && pidfd_ >= 0) fds[count++] = {pidfd_, POLLIN, 0};
    // Without a pidfd its end is looked for now and then.
    if (!status_ && pidfd_ < 0) timeoutMs = std::min(timeoutMs, 20);
    if (forInput && in_ >= 0) fds[count++] = {in_, POLLOUT, 0};
    if (count == 0 && status_) return false; // nothing more can come
    const int ready = ::poll(fds, count, timeoutMs);
    out_.drain();
    err_.drain();
    reap(WNOHANG);
    return ready > 0;
}

void SpawnedProcess::reap(int options) {
    if (pid_ < 0 || status_) return;
    int status = 0;
    pid_t done;
    do
        done = ::waitpid(pid_, &status, options);
    while (done < 0 && errno == EINTR);
    if (done != pid_) return;
    exitedNormally_ = WIFEXITED(status);
    status_ = exitedNormally_ ? WEXITSTATUS(status) : WTERMSIG(status);
    // Everything it wrote is in the pipes now.
    out_.drain();
    err_.drain();
}

bool SpawnedProcess::write(const QByteArray& bytes) {
    QElapsedTimer clock;
    clock.start();
    qsizetype done = 0;
    while (done < bytes.size() && in_ >= 0 && clock.elapsed() < 30000) {
        const ssize_t n = ::write(in_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (errno == EAGAIN && running())
            pump(100, true); // it reads its input once its output is taken
        else if (errno != EINTR)
            break; // it stopped reading
    }
    return done == bytes.size();
}

void SpawnedProcess::closeInput() {
    closeFd(in_);
}

bool SpawnedProcess::waitForOutput(int timeoutMs) {
    const qsizetype before = out_.bytes.size() + err_.bytes.size();
    const bool wasRunning = running();
    pump(timeoutMs);
    return out_.bytes.size() + err_.bytes.size() > before || wasRunning != running();
}

bool SpawnedProcess::waitForExit(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (running()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) return false;
        pump(int(left));
    }
    return true;
}

bool SpawnedProcess::running() {
    reap(WNOHANG);
    return pid_ >= 0 && !status_;
}

void SpawnedProcess::signal(int number) {
    if (running()) ::kill(pid_, number);
}

void SpawnedProcess::kill() {
    if (!running()) return;
    ::kill(pid_, SIGKILL);
    reap(0);
}
