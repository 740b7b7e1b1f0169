#pragma once
// A program started with posix_spawn and talked to through pipes.
//
// Not QProcess: Qt starts a child through a clone that shares the parent's
// memory, and ThreadSanitizer's handling of that clone, run in the child, marks
// the parent itself as forked while multi-threaded. The test then dies as soon
// as it starts a thread (a loopback server's, for one). glibc's posix_spawn runs
// nothing of the parent's in the child.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QStringList>
#include <memory>
#include <optional>
#include <sys/types.h>

class SpawnedProcess {
  public:
    SpawnedProcess() = default;
    // One still running is killed.
    ~SpawnedProcess();
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    // With forwardErrors its stderr is the test's own, and not kept.
    bool start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
               bool forwardErrors);
    // Waits until it has taken the bytes in, reading its output meanwhile.
    bool write(const QByteArray& bytes);
    void closeInput();
    // What it wrote so far and nobody took yet; the caller takes what it reads.
    QByteArray& out() { return out_.bytes; }
    QByteArray& err() { return err_.bytes; }
    // Waits up to the timeout for more output or its end; false when neither came.
    bool waitForOutput(int timeoutMs);
    // False when it still runs after the timeout.
    bool waitForExit(int timeoutMs);
    bool running();
    void signal(int number);
    // SIGKILL, and waits for it to be gone.
    void kill();
    pid_t pid() const { return pid_; }
    // Once it ended.
    int exitCode() const { return status_ ? *status_ : -1; }
    bool exitedNormally() const { return exitedNormally_; }

  private:
    struct Output {
        int fd = -1;
        bool ended = false;
        QByteArray bytes;
        // Drains the pipe whenever the test spins the event loop, so that a talkative
        // child never blocks on a full pipe while the test looks elsewhere.
        std::unique_ptr<QSocketNotifier> notifier;
        // False at the end of the output.
        bool drain();
        void close();
    };
    // One wait for any of the pipes or the end, up to the timeout: what came is read.
    bool pump(int timeoutMs, bool forInput = false);
    void reap(int options);
    void closeAll();

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int in_ = -1;
    Output out_, err_;
    std::optional<int> status_;
    bool exitedNormally_ = false;
};
