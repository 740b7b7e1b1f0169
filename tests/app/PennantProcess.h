#pragma once
// The pennant program as the app tests start it: headless or in its window, run
// to its end or kept running and talked to line by line.
#include "tests/support/SpawnedProcess.h"

#include <QJsonObject>
#include <QList>
#include <functional>

// What a pennant run to its end left behind; a headless one's output read as its
// events, one JSON object a line.
struct PennantRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
    QList<QJsonObject> events;

    QString output() const { return QString::fromUtf8(out); }
    // The message of every log event; the kind of every other event.
    QStringList logLines() const;
    QStringList kinds() const;
    QList<QJsonObject> eventsOf(const QString& kind) const;
};

class PennantProcess : public SpawnedProcess {
  public:
    // Window: without --headless, the ticker in its window or a command line's
    // one-off work (an import, the help).
    enum Mode { Headless, Window };
    // This process's environment, Qt on its offscreen platform: no display needed.
    static QProcessEnvironment offscreen();
    // No X11 or Wayland display at all, and no platform chosen.
    static QProcessEnvironment withoutDisplay();

    // Headless, it is given --headless; with a settings path, --settings.
    explicit PennantProcess(Mode mode = Headless, QString settingsPath = {})
        : mode_(mode), settingsPath_(std::move(settingsPath)) {}

    // Before it starts. With forwardErrors its stderr shows in the test's output
    // (a sanitizer's report too) and is not kept.
    void setEnvironment(const QProcessEnvironment& environment) { environment_ = environment; }
    QProcessEnvironment& environment() { return environment_; }
    void forwardErrors() { forwardErrors_ = true; }

    // Runs it to its end with this input on stdin, closed after it. One that
    // outlives the timeout is killed and fails the test.
    PennantRun run(const QStringList& arguments = {}, const QByteArray& input = {}, int timeoutMs = 30000);
    // Starts it and leaves it running; false (and a failure) when it cannot start.
    bool start(const QStringList& arguments = {});
    void send(const QByteArray& line) { write(line + '\n'); }
    // Bytes as they are, a line end or not.
    void write(const QByteArray& bytes);

    // Reads its events until one holds; that event, or an empty one and a failure
    // when none came in time. What came after it is left for the next call.
    QJsonObject waitFor(const std::function<bool(const QJsonObject&)>& holds, const QString& what,
                        int timeoutMs = 20000);
    QJsonObject next(const QString& kind, int timeoutMs = 20000);
    // Of the events read so far.
    int count(const QString& kind) const;
    // All it wrote on stderr so far; waiting until that holds the text (false: it never came).
    const QByteArray& errors() { return err(); }
    bool waitForErrors(const QByteArray& text, int timeoutMs);

  private:
    QStringList argumentsWith(const QStringList& arguments) const;

    Mode mode_;
    QString settingsPath_;
    QProcessEnvironment environment_ = offscreen();
    bool forwardErrors_ = false;
    QList<QJsonObject> events_;
};

// The common cases, run to their end on this input: a headless pennant on this
// settings file (none: the default one), and pennant with these arguments and
// environment alone.
PennantRun runHeadless(const QString& settingsPath, const QByteArray& input = {},
                       const QStringList& arguments = {});
PennantRun runPennant(const QStringList& arguments, const QByteArray& input = {},
                      const QProcessEnvironment& environment = PennantProcess::offscreen());
