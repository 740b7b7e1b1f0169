#include "tests/app/XServerTest.h"

#include "tests/support/PluginFixture.h"

#include <QRegularExpression>
#include <QStandardPaths>

void XServerTest::SetUp() {
    if (!haveTools({"Xvfb", "xprop", "xwininfo"}))
        GTEST_SKIP() << "Xvfb, xprop or xwininfo is not installed (scripts/install-deps.sh installs them)";
    display = startServer(xvfb, tool("Xvfb"), {"-screen", "0", screen_});
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
}

void XServerTest::TearDown() {
    pennant.stop(5000);
    for (QProcess* p : {&windowManager, &nested, &xvfb})
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) p->kill();
        }
}

QString XServerTest::tool(const QString& name) {
    if (!tools_.contains(name)) tools_.insert(name, QStandardPaths::findExecutable(name));
    return tools_.value(name);
}

bool XServerTest::haveTools(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (tool(QString::fromLatin1(name)).isEmpty()) return false;
    return true;
}

QString XServerTest::startServer(QProcess& server, const QString& program, const QStringList& arguments) {
    server.setProcessEnvironment(environment);
    server.start(program, QStringList{"-displayfd", "1", "-nolisten", "tcp", "-noreset"} + arguments);
    if (!server.waitForStarted()) return {};
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(10000))
        number += server.readAllStandardOutput();
    return number.contains('\n') ? QStringLiteral(":") + QString::fromLatin1(number.trimmed()) : QString();
}

bool XServerTest::startWindowManager() {
    windowManager.setProcessEnvironment(environment);
    windowManager.start(tool("openbox"), {"--sm-disable"});
    return windowManager.waitForStarted() &&
           waitUntil(
               [&] {
                   return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
               },
               10000);
}

void XServerTest::startPennant(const QByteArray& hostSettings, const QString& pluginFolder) {
    writeFile(folder.settingsPath(), "{\"org.pennant.host\": " + hostSettings + "}");
    pennant.setEnvironment(environment);
    ASSERT_TRUE(pennant.start({"--plugins", pluginFolder}));
}

QString XServerTest::run(const QString& name, const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(tool(name), arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool XServerTest::findWindow(QString* id, QRect* geometry, const QString& title) {
    const QRegularExpression named(
        QStringLiteral("(0x[0-9a-f]+) \"%1\": .*?  (\\d+)x(\\d+)\\+").arg(QRegularExpression::escape(title)));
    static const QRegularExpression shown(
        QStringLiteral(
            R"(Absolute upper-left X:\s+(-?\d+)\s+Absolute upper-left Y:\s+(-?\d+).*Width:\s+(\d+)\s+)"
            R"(Height:\s+(\d+).*Map State: IsViewable)"),
        QRegularExpression::DotMatchesEverythingOption);
    id->clear();
    return waitUntil(
        [&] {
            // The whole tree: a window manager puts the window in a frame of its own.
            for (const QString& row : run("xwininfo", {"-root", "-tree"}).split(u'\n')) {
                const auto m = named.match(row);
                // Qt's own helper windows bear the name too, at 1×1.
                if (m.hasMatch() && m.captured(2).toInt() > 1) *id = m.captured(1);
            }
            if (id->isEmpty()) return false;
            const auto m = shown.match(run("xwininfo", {"-id", *id}));
            if (!m.hasMatch()) return false;
            *geometry = QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                              m.captured(4).toInt());
            return true;
        },
        20000);
}

QString XServerTest::property(const QString& id, const char* name) {
    const QString out = run("xprop", {"-id", id, QString::fromLatin1(name)});
    const qsizetype equals = out.indexOf(u'=');
    return equals < 0 ? QString() : out.mid(equals + 1).trimmed();
}
