// One ticker per settings file: the channel's messages, its server's refusals,
// and a second pennant handing its command to a running ticker.
#include "app/instance/InstanceClient.h"
#include "app/instance/InstanceServer.h"
#include "tests/app/PennantProcess.h"
#include "tests/app/SettingsFolder.h"
#include "tests/support/PluginFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Command = InstanceRequest::Command;

// A private runtime folder for the test's channels.
class RuntimeFolder {
  public:
    RuntimeFolder() : before_(qgetenv("XDG_RUNTIME_DIR")) {
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    }
    ~RuntimeFolder() { qputenv("XDG_RUNTIME_DIR", before_); }
    QTemporaryDir dir;

  private:
    QByteArray before_;
};

// Sends raw bytes to the server and returns its answer, the event loop running meanwhile.
QByteArray exchange(const QString& socketPath, const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(2000)) return "not connected";
    socket.write(bytes);
    socket.flush();
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (!answer.endsWith('\n') && clock.elapsed() < 8000 &&
           socket.state() != QLocalSocket::UnconnectedState) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        socket.waitForReadyRead(20);
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

} // namespace

TEST(InstanceMessage, OnlyTheKnownCommandsWithTheirArgumentsAreTaken) {
    QString why;
    for (const Command c : {Command::Preferences, Command::Refresh, Command::TogglePause, Command::Quit}) {
        const std::optional<InstanceRequest> back = decodeRequest(encodeRequest({c, {}}), &why);
        ASSERT_TRUE(back) << why.toStdString();
        EXPECT_EQ(back->command, c);
    }
    const std::optional<InstanceRequest> import =
        decodeRequest(encodeRequest({Command::Import, QStringLiteral("/tmp/a \"b\".opml")}), &why);
    ASSERT_TRUE(import);
    EXPECT_EQ(import->path, QStringLiteral("/tmp/a \"b\".opml"));

    const QList<QPair<QByteArray, QString>> refused{
        {"{\"command\":\"refresh\"}", "not one JSON object on one line"}, // no line end
        {"refresh\n", "not one JSON object on one line"},
        {"[\"refresh\"]\n", "not one JSON object on one line"},
        {"{\"command\":\"rm -rf\"}\n", "no such command"},
        {"{\"command\":\"refresh\",\"path\":\"/x\"}\n", "more than its command takes"},
        {"{\"command\":\"import\"}\n", "needs a file"},
        {"{\"command\":\"import\",\"path\":7}\n", "needs a file"},
        {"{\"command\":\"export\",\"path\":\"out.opml\"}\n", "not absolute"},
        {"{\"command\":\"export\",\"path\":\"/a\\u0000b\"}\n", "NUL"},
        {"{\"command\":\"import\",\"path\":\"/" + QByteArray(5000, 'a') + "\"}\n", "too long"},
        {QByteArray(kMaxInstanceMessageBytes + 1, ' ') + '\n', "too long"},
    };
    for (const auto& [line, reason] : refused) {
        why.clear();
        EXPECT_FALSE(decodeRequest(line, &why)) << line.left(60).toStdString();
        EXPECT_TRUE(why.contains(reason)) << line.left(60).toStdString() << ": " << why.toStdString();
    }
    EXPECT_FALSE(decodeReply("{\"ok\":\"yes\",\"message\":\"\"}\n"));
}

TEST(InstanceServer, MalformedOrOversizedMessagesAreRefusedWithoutHarm) {
    RuntimeFolder runtime;
    QString problem;
    const std::optional<InstanceAddress> address =
        instanceAddressFor(runtime.dir.filePath("settings.json"), &problem);
    ASSERT_TRUE(address) << problem.toStdString();
    InstanceServer server(*address);
    ASSERT_TRUE(server.claim());
    InstanceServer second(*address);
    EXPECT_FALSE(second.claim()) << "one ticker per settings file";
    QList<InstanceRequest> handled;
    ASSERT_TRUE(server.listen(
        [&handled](const InstanceRequest& r) {
            handled.append(r);
            return InstanceReply{true, QStringLiteral("done")};
        },
        &problem))
        << problem.toStdString();
    // The socket is for this user alone.
    EXPECT_EQ(QFileInfo(address->socketPath).permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                   QFileDevice::WriteOther),
              QFileDevice::Permissions());

    EXPECT_EQ(exchange(address->socketPath, QByteArray(1 << 20, 'x')),
              "{\"message\":\"refused: the message is too long\",\"ok\":false}\n");
    EXPECT_TRUE(exchange(address->socketPath, QByteArray("\x00\xff{{{\n", 6)).contains("\"ok\":false"));
    EXPECT_TRUE(exchange(address->socketPath, "{\"command\":\"shell\",\"path\":\"/bin/sh\"}\n")
                    .contains("refused: no such command"));
    EXPECT_TRUE(handled.isEmpty());
    // A client that says nothing is dropped in time, and the server still answers.
    QLocalSocket silent;
    silent.connectToServer(address->socketPath);
    ASSERT_TRUE(silent.waitForConnected(2000));
    EXPECT_EQ(exchange(address->socketPath, "{\"command\":\"refresh\"}\n"),
              "{\"message\":\"done\",\"ok\":true}\n");
    ASSERT_EQ(handled.size(), 1);
    EXPECT_EQ(handled.first().command, Command::Refresh);

    // The blocking client of a second pennant, on a thread of its own.
    auto answered = std::async(std::launch::async, [&] {
        InstanceReply reply;
        QString why;
        const Delivery d =
            deliverToRunningTicker(*address, {Command::Export, QStringLiteral("/tmp/x.opml")}, &reply, &why);
        return std::make_pair(d, reply);
    });
    while (answered.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents();
    const auto [delivery, reply] = answered.get();
    EXPECT_EQ(delivery, Delivery::Answered);
    EXPECT_TRUE(reply.ok);
    ASSERT_EQ(handled.size(), 2);
    EXPECT_EQ(handled.last().path, QStringLiteral("/tmp/x.opml"));
}

TEST(InstanceServer, NoTickerIsFoundWhereNoneRunsAndFoldersOthersMayOpenAreNotUsed) {
    RuntimeFolder runtime;
    QString problem;
    const std::optional<InstanceAddress> address =
        instanceAddressFor(runtime.dir.filePath("s.json"), &problem);
    ASSERT_TRUE(address);
    InstanceReply reply;
    EXPECT_EQ(deliverToRunningTicker(*address, {Command::Refresh, {}}, &reply, &problem), Delivery::NoTicker);
    {
        InstanceServer crashed(*address); // a socket file left behind is no ticker
        ASSERT_TRUE(crashed.claim());
    }
    writeFile(address->socketPath, "stale");
    EXPECT_EQ(deliverToRunningTicker(*address, {Command::Refresh, {}}, &reply, &problem), Delivery::NoTicker);
    // Another settings file has a channel of its own.
    const std::optional<InstanceAddress> other = instanceAddressFor(runtime.dir.filePath("t.json"), &problem);
    ASSERT_TRUE(other);
    EXPECT_NE(other->socketPath, address->socketPath);

    QFile::setPermissions(runtime.dir.filePath("pennant"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                              QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
    EXPECT_FALSE(instanceAddressFor(runtime.dir.filePath("s.json"), &problem));
    EXPECT_TRUE(problem.contains("only this user")) << problem.toStdString();
}

namespace {

// A ticker in its window (offscreen) on a settings file of its own, its channel
// in a runtime folder of the test's.
class RunningTicker : public ::testing::Test {
  protected:
    // Returns once the ticker takes requests (its socket is there).
    void start(const QStringList& extra = {}) {
        ASSERT_TRUE(ticker.start(extra));
        const auto listening = [this] {
            return !QDir(runtime.dir.filePath("pennant")).entryList({"*.socket"}, QDir::System).isEmpty();
        };
        waitUntil([&] { return listening() || !ticker.running(); }, 15000);
        ASSERT_TRUE(listening()) << ticker.errors().toStdString();
    }
    // A second pennant on the same settings file, run to its end: it hands its
    // command over or it would not finish.
    PennantRun second(const QStringList& arguments) {
        return PennantProcess(PennantProcess::Window, settingsPath).run(arguments);
    }

    RuntimeFolder runtime; // before the ticker, whose environment names it
    SettingsFolder folder;
    const QString settingsPath = folder.settingsPath();
    PennantProcess ticker{PennantProcess::Window, settingsPath};
};

} // namespace

TEST_F(RunningTicker, SecondPennantHandsItsCommandsAndImportToTheRunningOne) {
    start();
    PennantRun run = second({});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "pennant: a ticker is running on " + settingsPath.toUtf8() + " already\n");
    run = second({"--toggle-pause"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "pennant: the running ticker is paused\n");
    EXPECT_EQ(second({"--toggle-pause"}).out, "pennant: the running ticker scrolls again\n");
    EXPECT_EQ(second({"--refresh"}).out, "pennant: the running ticker updates every feed now\n");

    // The import goes into the running ticker's own list, so that its later saves keep it.
    const QString in = folder.filePath("in.opml");
    writeFile(in, "<opml version=\"2.0\"><body><outline xmlUrl=\"http://127.0.0.1:9/a\"/></body></opml>");
    run = second({"--import", in});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QByteArray("imported 1 feeds, 0 already listed, 0 skipped (by the running ticker)\n"));
    EXPECT_EQ(folder.feedURLs(), QStringList{"http://127.0.0.1:9/a"}) << "written at once";
    run = second({"--export", settingsPath});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("it is the ticker's settings file")) << run.err.toStdString();

    run = second({"--quit"});
    EXPECT_EQ(run.out, "pennant: the running ticker quits\n");
    ASSERT_TRUE(ticker.waitForExit(15000));
    EXPECT_EQ(ticker.exitCode(), 0);
    EXPECT_EQ(folder.feedURLs(), QStringList{"http://127.0.0.1:9/a"}) << "its last save kept the import";
    run = second({"--quit"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("pennant: no ticker is running on %1\n").arg(settingsPath));
}

TEST_F(RunningTicker, OnlyProblemsReachStderrUnlessVerbose) {
    writeFile(settingsPath, "{\"org.pennant.newsreel\":{\"feeds\":[{\"url\":\"http://127.0.0.1:9/gone\","
                            "\"interval\":60,\"enabled\":true}],\"titleLength\":30,\"useTTL\":true}}");
    for (const bool verbose : {false, true}) {
        start(verbose ? QStringList{"--verbose"} : QStringList{});
        ticker.waitForErrors("cannot fetch", 15000);
        EXPECT_EQ(second({"--quit"}).exitCode, 0);
        ASSERT_TRUE(ticker.waitForExit(15000));
        const QByteArray err = ticker.errors();
        EXPECT_TRUE(err.contains("pennant: cannot fetch http://127.0.0.1:9/gone")) << err.toStdString();
        EXPECT_EQ(err.contains("adding timer for feed #0"), verbose) << err.toStdString();
    }
}

TEST(SingleInstance, HeadlessHostsTakePartInNoChannel) {
    const SettingsFolder folder;
    // Two at once on one settings file: each does its own work.
    PennantProcess first(PennantProcess::Headless, folder.settingsPath());
    PennantProcess other(PennantProcess::Headless, folder.settingsPath());
    for (PennantProcess* p : {&first, &other})
        ASSERT_TRUE(p->start());
    for (PennantProcess* p : {&first, &other}) {
        p->write("settings\nquit\n");
        p->closeInput();
        ASSERT_TRUE(p->waitForExit(15000));
        EXPECT_EQ(p->exitCode(), 0);
        EXPECT_FALSE(p->next("settings").isEmpty());
    }
}
