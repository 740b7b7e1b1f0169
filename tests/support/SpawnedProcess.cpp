#include "tests/support/SpawnedProcess.h"

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

// The null-ended list of pointers that exec takes, into the strings.
std::vector<char*> pointersTo(QList<QByteArray>& strings) {
    std::vector<char*> pointers;
    for (QByteArray& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

void SpawnedProcess::Output::drain() {
    char buffer[65536];
    while (fd >= 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
        else if (n < 0 && errno == EAGAIN)
            return;
        else if (n == 0 || errno != EINTR)
            closeFd(fd);
    }
}

SpawnedProcess::~SpawnedProcess() {
    kill();
    closeAll();
}

void SpawnedProcess::closeAll() {
    for (int* fd : {&in_, &out_.fd, &err_.fd, &pidfd_})
        closeFd(*fd);
}

bool SpawnedProcess::start(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment, bool forwardErrors) {
    kill();
    closeAll();
    status_.reset();
    exitedNormally_ = false;
    out_.bytes.clear();
    err_.bytes.clear();
    // A child that ends before it reads its input must not end the test (QProcess
    // ignores SIGPIPE too); the child gets the default back.
    std::signal(SIGPIPE, SIG_IGN);

    // Every end is closed on exec; the child's copies on 0, 1 and 2 are not.
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    bool piped = ::pipe2(in, O_CLOEXEC) == 0 && ::pipe2(out, O_CLOEXEC) == 0 &&
                 (forwardErrors || ::pipe2(err, O_CLOEXEC) == 0);
    int failed = piped ? 0 : errno;
    if (piped) {
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
        QList<QByteArray> argv{QFile::encodeName(program)}, envp;
        for (const QString& argument : arguments)
            argv << argument.toLocal8Bit();
        for (const QString& variable : environment.toStringList())
            envp << variable.toLocal8Bit();
        failed = ::posix_spawn(&pid_, argv.first().constData(), &actions, &attributes,
                               pointersTo(argv).data(), pointersTo(envp).data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    for (int* fd : {&in[0], &out[1], &err[1]})
        closeFd(*fd);
    in_ = in[1];
    out_.fd = out[0];
    err_.fd = err[0];
    if (failed) {
        pid_ = -1;
        closeAll();
        errno = failed;
        return false;
    }
    pidfd_ = int(::syscall(SYS_pidfd_open, pid_, 0));
    for (int fd : {in_, out_.fd, err_.fd})
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, O_NONBLOCK);
            // Room for all a test's child says while the test looks elsewhere.
            ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
        }
    return true;
}

void SpawnedProcess::pump(int timeoutMs, bool forInput) {
    pollfd fds[4];
    nfds_t count = 0;
    for (int fd : {out_.fd, err_.fd})
        if (fd >= 0) fds[count++] = {fd, POLLIN, 0};
    if (forInput && in_ >= 0) fds[count++] = {in_, POLLOUT, 0};
    if (!status_ && pidfd_ >= 0) fds[count++] = {pidfd_, POLLIN, 0};
    // Without a pidfd, its end is looked for now and then.
    if (!status_ && pidfd_ < 0) timeoutMs = std::min(timeoutMs, 20);
    if (count > 0 || !status_) ::poll(fds, count, timeoutMs);
    out_.drain();
    err_.drain();
    reap(WNOHANG);
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
    out_.drain(); // all it wrote is in the pipes now
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
            pump(100, true); // it reads on once its output is taken
        else if (errno != EINTR)
            break; // it stopped reading
    }
    return done == bytes.size();
}

void SpawnedProcess::closeInput() {
    closeFd(in_);
}

bool SpawnedProcess::waitForExit(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (running()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) return false;
        pump(int(left), false);
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

bool SpawnedProcess::stop(int timeoutMs) {
    signal(SIGTERM);
    if (waitForExit(timeoutMs)) return true;
    kill();
    return false;
}

void SpawnedProcess::kill() {
    if (!running()) return;
    ::kill(pid_, SIGKILL);
    reap(0);
}
