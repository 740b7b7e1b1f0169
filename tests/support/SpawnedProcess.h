#pragma once
// A program started with posix_spawn and talked to through pipes.
//
// Not QProcess: Qt starts a child through a clone that shares the parent's
// memory, and ThreadSanitizer's handling of that clone, run in the child, marks
// the parent itself as forked while multi-threaded: the test dies as soon as it
// starts a thread (a loopback server's, say). glibc's posix_spawn runs nothing of
// the parent's in the child.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>
#include <optional>
#include <sys/types.h>

class SpawnedProcess {
  public:
    SpawnedProcess() = default;
    // One still running is killed.
    ~SpawnedProcess();
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    // With forwardErrors its stderr is the test's own, and not kept. False (errno
    // set) when it cannot start.
    bool start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
               bool forwardErrors);
    // Waits until it has taken the bytes in, reading its output meanwhile.
    bool write(const QByteArray& bytes);
    void closeInput();
    // What it wrote so far and nobody took yet; the caller takes what it reads.
    QByteArray& out() { return out_.bytes; }
    QByteArray& err() { return err_.bytes; }
    // Waits up to the timeout for more output or its end.
    void waitForOutput(int timeoutMs) { pump(timeoutMs, false); }
    // False when it still runs after the timeout.
    bool waitForExit(int timeoutMs = 10000);
    bool running();
    void signal(int number);
    // Asks it to quit (SIGTERM); one that does not in time is killed: false then.
    bool stop(int timeoutMs = 10000);
    // SIGKILL, and waits for it to be gone.
    void kill();
    // Once it ended: its exit code, or the signal that ended it.
    int exitCode() const { return status_.value_or(-1); }
    bool exitedNormally() const { return exitedNormally_; }

  private:
    struct Output {
        int fd = -1;
        QByteArray bytes;
        void drain(); // closes the pipe at its end
    };
    // One wait for output, room for input or its end, up to the timeout.
    void pump(int timeoutMs, bool forInput);
    void reap(int options);
    void closeAll();

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int in_ = -1;
    Output out_, err_;
    std::optional<int> status_;
    bool exitedNormally_ = false;
};
