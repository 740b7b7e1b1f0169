#pragma once
// The pennant program as the app tests start it: headless or in its window, run
// to its end or kept running and talked to line by line.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

#include "tests/app/SpawnedProcess.h"

// What a pennant run to its end left behind. A headless one's standard output
// is read as its events, one JSON object a line.
struct PennantRun {
    int exitCode = -1;
    bool exitedNormally = false; // not ended by a signal
    QByteArray out;
    QString err;
    QList<QJsonObject> events;

    QString output() const { return QString::fromUtf8(out); }
    // The message of every log event.
    QStringList logLines() const;
    // The kind of every event but the log's.
    QStringList kinds() const;
    QList<QJsonObject> eventsOf(const QString& kind) const;
};

class PennantProcess {
  public:
    // Window: without --headless, the ticker in its window or a command line's
    // one-off work (an import, the help).
    enum Mode { Headless, Window };

    // This process's environment with Qt's offscreen platform: a window that
    // needs no display.
    static QProcessEnvironment offscreen();
    // No X11 or Wayland display at all, and no platform chosen.
    static QProcessEnvironment withoutDisplay();

    // A headless pennant is given --headless; a settings path, --settings.
    explicit PennantProcess(Mode mode = Headless, QString settingsPath = {});
    // One still running is killed.
    ~PennantProcess();
    PennantProcess(const PennantProcess&) = delete;
    PennantProcess& operator=(const PennantProcess&) = delete;

    // Before it starts.
    void setEnvironment(const QProcessEnvironment& environment) { environment_ = environment; }
    QProcessEnvironment& environment() { return environment_; }
    // Its stderr goes to the test's own (a sanitizer's report shows there) and is
    // not kept.
    void forwardErrors() { forwardErrors_ = true; }

    // Runs it with this input on stdin, closed after it, to its end. One that
    // outlives the timeout is killed and fails the test.
    PennantRun run(const QStringList& arguments = {}, const QByteArray& input = {}, int timeoutMs = 30000);

    // Starts it and leaves it running; false (and a failure) when it cannot start.
    bool start(const QStringList& arguments = {});
    void send(const QByteArray& line) { write(line + '\n'); }
    // Bytes as they are, a line end or not.
    void write(const QByteArray& bytes);
    void closeInput() { child_.closeInput(); }

    // Reads its events until one holds; that event, or an empty one and a failure
    // when none came in time or it ended first. The events after it are read by
    // the next call.
    QJsonObject waitFor(const std::function<bool(const QJsonObject&)>& holds, const QString& what,
                        int timeoutMs = 20000);
    QJsonObject next(const QString& kind, int timeoutMs = 20000);
    // Of the events read so far.
    int count(const QString& kind) const;
    const QList<QJsonObject>& events() const { return events_; }
    // Everything it wrote on stderr so far.
    const QByteArray& errors() { return child_.err(); }
    // Reads stderr until it holds the text; false when it never came.
    bool waitForErrors(const QByteArray& text, int timeoutMs);

    bool running() { return child_.running(); }
    void signal(int number) { child_.signal(number); }
    // False when it is still running after the timeout.
    bool waitForExit(int timeoutMs = 10000) { return child_.waitForExit(timeoutMs); }
    // Asks it to quit (SIGTERM); one that does not in time is killed: false then.
    bool stop(int timeoutMs = 10000);
    // SIGKILL, and waits for it to be gone.
    void kill() { child_.kill(); }
    int exitCode() const { return child_.exitCode(); }
    bool exitedNormally() const { return child_.exitedNormally(); }

  private:
    QStringList argumentsWith(const QStringList& arguments) const;

    Mode mode_;
    QString settingsPath_;
    QProcessEnvironment environment_ = offscreen();
    bool forwardErrors_ = false;
    SpawnedProcess child_;
    QList<QJsonObject> events_;
};

// The common cases, run to their end on this input: a headless pennant on this
// settings file (none: the default one), and pennant with these arguments and
// environment alone.
PennantRun runHeadless(const QString& settingsPath, const QByteArray& input = {},
                       const QStringList& arguments = {});
PennantRun runPennant(const QStringList& arguments, const QByteArray& input = {},
                      const QProcessEnvironment& environment = PennantProcess::offscreen());
