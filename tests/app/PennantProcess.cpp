#include "tests/app/PennantProcess.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

QStringList fieldOf(const QList<QJsonObject>& events, const char* name, bool logs) {
    QStringList values;
    for (const QJsonObject& e : events)
        if ((e.value("event") == QLatin1String("log")) == logs) values << e.value(name).toString();
    return values;
}

// The headless host writes one JSON object a line and nothing else.
QJsonObject parseEvent(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    EXPECT_TRUE(error.error == QJsonParseError::NoError && document.isObject())
        << "not one JSON object per line: " << line.toStdString();
    return document.object();
}

} // namespace

QStringList PennantRun::logLines() const {
    return fieldOf(events, "message", true);
}

QStringList PennantRun::kinds() const {
    return fieldOf(events, "event", false);
}

QList<QJsonObject> PennantRun::eventsOf(const QString& kind) const {
    QList<QJsonObject> found;
    for (const QJsonObject& e : events)
        if (e.value("event").toString() == kind) found.append(e);
    return found;
}

QProcessEnvironment PennantProcess::offscreen() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

QProcessEnvironment PennantProcess::withoutDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    return environment;
}

QStringList PennantProcess::argumentsWith(const QStringList& arguments) const {
    QStringList all;
    if (mode_ == Headless) all << QStringLiteral("--headless");
    if (!settingsPath_.isEmpty()) all << QStringLiteral("--settings") << settingsPath_;
    return all + arguments;
}

PennantRun PennantProcess::run(const QStringList& arguments, const QByteArray& input, int timeoutMs) {
    if (!start(arguments)) return {};
    write(input);
    closeInput();
    if (!waitForExit(timeoutMs)) {
        kill();
        ADD_FAILURE() << "pennant " << argumentsWith(arguments).join(u' ').toStdString()
                      << " did not finish in " << timeoutMs << " ms";
    }
    PennantRun run{exitCode(), out(), QString::fromUtf8(err()), {}};
    if (mode_ == Headless)
        for (const QByteArray& line : run.out.split('\n'))
            if (!line.isEmpty()) run.events.append(parseEvent(line));
    return run;
}

bool PennantProcess::start(const QStringList& arguments) {
    events_.clear();
    const bool started = SpawnedProcess::start(QStringLiteral(TEST_PENNANT_BINARY), argumentsWith(arguments),
                                               environment_, forwardErrors_);
    EXPECT_TRUE(started) << "pennant did not start: " << std::strerror(errno);
    return started;
}

void PennantProcess::write(const QByteArray& bytes) {
    EXPECT_TRUE(SpawnedProcess::write(bytes)) << "pennant did not take its input";
}

QJsonObject PennantProcess::waitFor(const std::function<bool(const QJsonObject&)>& holds, const QString& what,
                                    int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const bool alive = running(); // once it ended, all it wrote is read
        for (qsizetype end; (end = out().indexOf('\n')) >= 0;) {
            events_.append(parseEvent(out().left(end)));
            out().remove(0, end + 1);
            if (holds(events_.last())) return events_.last();
        }
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || !alive) break;
        waitForOutput(int(std::min<qint64>(left, 200)));
    }
    ADD_FAILURE() << "no " << what.toStdString() << " event" << (running() ? "" : ": pennant ended");
    return {};
}

QJsonObject PennantProcess::next(const QString& kind, int timeoutMs) {
    return waitFor([&](const QJsonObject& e) { return e.value("event").toString() == kind; }, kind,
                   timeoutMs);
}

int PennantProcess::count(const QString& kind) const {
    int n = 0;
    for (const QJsonObject& e : events_)
        n += e.value("event").toString() == kind;
    return n;
}

bool PennantProcess::waitForErrors(const QByteArray& text, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!err().contains(text) && clock.elapsed() < timeoutMs && running())
        waitForOutput(100);
    return err().contains(text);
}

PennantRun runHeadless(const QString& settingsPath, const QByteArray& input, const QStringList& arguments) {
    return PennantProcess(PennantProcess::Headless, settingsPath).run(arguments, input);
}

PennantRun runPennant(const QStringList& arguments, const QByteArray& input,
                      const QProcessEnvironment& environment) {
    PennantProcess pennant(PennantProcess::Window);
    pennant.setEnvironment(environment);
    return pennant.run(arguments, input);
}
