// The ticker window under a real X server (Xvfb), read back with xprop as a
// window manager reads it: a dock that reserves its height at its edge.
#include "tests/app/WindowTestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <xcb/xcb.h>

namespace {

class X11Dock : public ::testing::Test {
  protected:
    void SetUp() override {
        environment = QProcessEnvironment::systemEnvironment();
        xvfbPath = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        xpropPath = QStandardPaths::findExecutable(QStringLiteral("xprop"));
        xwininfoPath = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
        if (xvfbPath.isEmpty() || xpropPath.isEmpty() || xwininfoPath.isEmpty())
            GTEST_SKIP()
                << "Xvfb, xprop or xwininfo is not installed (scripts/install-deps.sh installs them)";
        display = startServer(xvfb, xvfbPath, {"-screen", "0", "1280x800x24"});
        ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    void TearDown() override {
        stopPennant();
        for (QProcess* server : {&nested, &xvfb})
            if (server->state() != QProcess::NotRunning) {
                server->terminate();
                server->waitForFinished(5000);
            }
    }

    // Starts an X server; it writes its display number once it takes connections.
    // It never resets: a client leaving must not turn the next one away.
    QString startServer(QProcess& server, const QString& program, const QStringList& arguments) {
        server.setProcessEnvironment(environment);
        server.start(program, QStringList{"-displayfd", "1", "-nolisten", "tcp", "-noreset"} + arguments);
        if (!server.waitForStarted()) return {};
        QByteArray number;
        while (!number.contains('\n') && server.waitForReadyRead(10000))
            number += server.readAllStandardOutput();
        return number.contains('\n') ? QStringLiteral(":") + QString::fromLatin1(number.trimmed())
                                     : QString();
    }

    void startPennant(const QByteArray& hostSettings) {
        writeFile(folder.filePath("settings.json"), "{\"org.pennant.host\": " + hostSettings + "}");
        pennant.setProcessEnvironment(environment);
        pennant.start(QStringLiteral(TEST_PENNANT_BINARY),
                      {"--settings", folder.filePath("settings.json"), "--plugins", folder.path()});
        ASSERT_TRUE(pennant.waitForStarted());
    }
    void stopPennant() {
        if (pennant.state() == QProcess::NotRunning) return;
        pennant.terminate();
        EXPECT_TRUE(pennant.waitForFinished(10000));
        // Asked to quit, it ends as a user's quit does (and a sanitizer's report fails it).
        EXPECT_EQ(pennant.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(pennant.exitCode(), 0) << pennant.readAllStandardError().toStdString();
    }

    QString run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        process.waitForFinished(10000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    // The ticker's window once it is on screen: its id and geometry.
    bool findWindow(QString* id, QRect* geometry) {
        static const QRegularExpression named(
            QStringLiteral(R"((0x[0-9a-f]+) "Pennant": .*?  (\d+)x(\d+)\+)"));
        static const QRegularExpression shown(
            QStringLiteral(
                R"(Absolute upper-left X:\s+(-?\d+)\s+Absolute upper-left Y:\s+(-?\d+).*Width:\s+(\d+)\s+)"
                R"(Height:\s+(\d+).*Map State: IsViewable)"),
            QRegularExpression::DotMatchesEverythingOption);
        return waitUntil(
            [&] {
                for (const QString& row : run(xwininfoPath, {"-root", "-children"}).split(u'\n')) {
                    const auto m = named.match(row);
                    // Qt's own helper windows bear the name too, at 1×1.
                    if (m.hasMatch() && m.captured(2).toInt() > 1) *id = m.captured(1);
                }
                if (id->isEmpty()) return false;
                const auto m = shown.match(run(xwininfoPath, {"-id", *id}));
                if (!m.hasMatch()) return false;
                *geometry = QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                  m.captured(4).toInt());
                return true;
            },
            20000);
    }
    // The value of a property as xprop prints it after "=", or nothing.
    QString property(const QString& id, const char* name) {
        const QString out = run(xpropPath, {"-id", id, QString::fromLatin1(name)});
        const qsizetype equals = out.indexOf(u'=');
        return equals < 0 ? QString() : out.mid(equals + 1).trimmed();
    }
    static QString cardinals(const QList<int>& values) {
        QStringList texts;
        for (int v : values)
            texts << QString::number(v);
        return texts.join(QStringLiteral(", "));
    }

    QString xvfbPath, xpropPath, xwininfoPath, display;
    QProcessEnvironment environment;
    QProcess xvfb, nested, pennant;
    QTemporaryDir folder;
};

} // namespace

TEST_F(X11Dock, StripIsADockReservingItsHeightAtItsEdgeAndLeftOutOfTaskBars) {
    startPennant(R"({"dockEdge": "bottom", "screen": "a monitor that is gone"})");
    QString id;
    QRect geometry;
    ASSERT_TRUE(findWindow(&id, &geometry)) << pennant.readAllStandardError().toStdString();
    const int h = geometry.height();
    EXPECT_EQ(geometry, QRect(0, 800 - h, 1280, h)) << "the primary screen's bottom edge";
    EXPECT_EQ(property(id, "_NET_WM_WINDOW_TYPE"), QStringLiteral("_NET_WM_WINDOW_TYPE_DOCK"));
    const QString state = property(id, "_NET_WM_STATE");
    EXPECT_TRUE(state.contains("_NET_WM_STATE_SKIP_TASKBAR") && state.contains("_NET_WM_STATE_SKIP_PAGER"))
        << state.toStdString();
    EXPECT_EQ(property(id, "_NET_WM_DESKTOP"), QStringLiteral("4294967295"));
    EXPECT_EQ(property(id, "_NET_WM_STRUT"), cardinals({0, 0, 0, h}));
    EXPECT_EQ(property(id, "_NET_WM_STRUT_PARTIAL"), cardinals({0, 0, 0, h, 0, 0, 0, 0, 0, 0, 0, 1279}));
    stopPennant();

    startPennant(R"({"dockEdge": "top"})");
    id.clear();
    ASSERT_TRUE(findWindow(&id, &geometry));
    EXPECT_EQ(geometry, QRect(0, 0, 1280, h));
    EXPECT_EQ(property(id, "_NET_WM_STRUT"), cardinals({0, 0, h, 0}));
    EXPECT_EQ(property(id, "_NET_WM_STRUT_PARTIAL"), cardinals({0, 0, h, 0, 0, 0, 0, 0, 0, 1279, 0, 0}));
}

TEST_F(X11Dock, DocksAgainWhenItsScreenChangesSize) {
    // A nested X server (Xephyr) whose screen follows its window's size on Xvfb.
    const QString xephyr = QStandardPaths::findExecutable(QStringLiteral("Xephyr"));
    const QString xrandr = QStandardPaths::findExecutable(QStringLiteral("xrandr"));
    if (xephyr.isEmpty() || xrandr.isEmpty())
        GTEST_SKIP() << "Xephyr or xrandr is not installed (scripts/install-deps.sh installs them)";
    const QString nestedDisplay = startServer(nested, xephyr, {"-resizeable", "-screen", "1000x600"});
    ASSERT_FALSE(nestedDisplay.isEmpty()) << "Xephyr did not start";
    QString host;
    for (const QString& row : run(xwininfoPath, {"-root", "-children"}).split(u'\n'))
        if (host.isEmpty() && row.contains(QStringLiteral("Xephyr")))
            host = row.trimmed().section(u' ', 0, 0);
    ASSERT_FALSE(host.isEmpty());
    environment.insert(QStringLiteral("DISPLAY"), nestedDisplay);

    startPennant(R"({"dockEdge": "bottom"})");
    QString id;
    QRect geometry;
    ASSERT_TRUE(findWindow(&id, &geometry)) << pennant.readAllStandardError().toStdString();
    const int h = geometry.height();
    EXPECT_EQ(geometry, QRect(0, 600 - h, 1000, h));

    // Xephyr's screen follows its window on Xvfb, as an X server's follows a monitor.
    // A resize it may miss while it starts is made again until its screen has changed.
    xcb_connection_t* c = xcb_connect(display.toLatin1().constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    const auto resizeHost = [&](uint32_t width, uint32_t height) {
        const uint32_t size[] = {width, height};
        xcb_configure_window(c, host.toUInt(nullptr, 16), XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                             size);
        xcb_flush(c);
    };
    resizeHost(800, 500);
    EXPECT_TRUE(waitUntil(
        [&] {
            // Xephyr takes its window's new size when asked for its screens.
            if (!run(xrandr, {"-display", nestedDisplay}).contains(QStringLiteral("current 800 x 500"))) {
                resizeHost(801, 500);
                resizeHost(800, 500);
                return false;
            }
            QString again;
            return findWindow(&again, &geometry) && geometry == QRect(0, 500 - h, 800, h);
        },
        20000))
        << geometry.x() << "," << geometry.y() << " " << geometry.width() << "x" << geometry.height();
    xcb_disconnect(c);
    EXPECT_EQ(property(id, "_NET_WM_STRUT_PARTIAL"), cardinals({0, 0, 0, h, 0, 0, 0, 0, 0, 0, 0, 799}));
}
