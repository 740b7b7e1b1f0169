// The preferences window on a screen the strip shares: always within the free
// area, its Close button never under the strip, however small the screen.
#include "tests/app/WindowTestSupport.h"

#include "app/window/WindowPlacement.h"

#include <QDialogButtonBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>

TEST(WindowPlacement, FreeAreaIsTheTallerSideOfTheStripAndWindowsFitInItFrameAndAll) {
    const QRect screen(0, 0, 800, 450);
    EXPECT_EQ(freeAreaBeside(screen, QRect(0, 426, 800, 24)), QRect(0, 0, 800, 426));
    EXPECT_EQ(freeAreaBeside(screen, QRect(0, 0, 800, 24)), QRect(0, 24, 800, 426));
    EXPECT_EQ(freeAreaBeside(QRect(0, 0, 800, 426), QRect(0, 426, 800, 24)), QRect(0, 0, 800, 426))
        << "the window manager took the strip out already";
    EXPECT_EQ(freeAreaBeside(screen, QRect()), screen);

    const QMargins frame(2, 20, 2, 2);
    const QRect fits = fitWithin(QRect(0, 0, 800, 426), QSize(760, 440), frame);
    EXPECT_EQ(fits.size(), QSize(760, 404));
    EXPECT_EQ(fits.marginsAdded(frame), QRect(18, 0, 764, 426));
    const QRect roomy = fitWithin(QRect(100, 50, 1600, 900), QSize(760, 440), frame);
    EXPECT_EQ(roomy.size(), QSize(760, 440));
    EXPECT_TRUE(QRect(100, 50, 1600, 900).contains(roomy.marginsAdded(frame)));
    EXPECT_EQ(roomy.center().x(), 100 + 800 - 1);
}

TEST_F(WindowHostTest, PreferencesOpenClearOfATallStripWhateverTheirSize) {
    StripAppearance tall;
    tall.height = 200;
    host->hostSettings().setAppearance(tall);
    strip->setAppearance(tall);
    host->window()->placeOnScreen();
    const QRect screen = host->window()->screen()->availableGeometry();
    ASSERT_TRUE(waitUntil([&] { return host->window()->height() == 200; }));
    host->openPreferences();
    PreferencesWindow* window = host->preferences();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
    // Made as tall as the screen, say by the user, it still opens clear of the strip.
    window->close();
    window->resize(760, screen.height());
    host->openPreferences();
    ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
    const QRect strip = host->window()->frameGeometry();
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
    EXPECT_FALSE(window->frameGeometry().intersects(strip))
        << "window " << window->frameGeometry().y() << "+" << window->frameGeometry().height()
        << ", strip at " << strip.y();
    window->close();
}

namespace {

// Xvfb at 1600×900 with openbox, the ticker scaled by two as on a HiDPI laptop.
class PreferencesOnSmallScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xwininfo", "xprop"}) {
            paths[tool] = QStandardPaths::findExecutable(QString::fromLatin1(tool));
            if (paths[tool].isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
        }
        environment = QProcessEnvironment::systemEnvironment();
        xvfb.start(paths["Xvfb"],
                   {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", "1600x900x24"});
        ASSERT_TRUE(xvfb.waitForStarted());
        QByteArray number;
        while (!number.contains('\n') && xvfb.waitForReadyRead(10000))
            number += xvfb.readAllStandardOutput();
        ASSERT_TRUE(number.contains('\n')) << "Xvfb did not start";
        environment.insert("DISPLAY", ":" + QString::fromLatin1(number.trimmed()));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("WAYLAND_DISPLAY");
        wm.setProcessEnvironment(environment);
        wm.start(paths["openbox"], {"--sm-disable"});
        ASSERT_TRUE(wm.waitForStarted());
        ASSERT_TRUE(waitUntil(
            [&] {
                return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
            },
            10000))
            << "openbox did not start";
    }
    void TearDown() override {
        for (QProcess* p : {&pennant, &wm, &xvfb})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) p->kill();
            }
    }
    QString run(const char* tool, const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(paths[tool], arguments);
        process.waitForFinished(10000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    // The geometry of the named top-level window, in device pixels, once it is shown.
    QRect windowNamed(const QString& name, QString* id) {
        const QRegularExpression row(QStringLiteral("(0x[0-9a-f]+) \"%1\": .*?  (\\d+)x(\\d+)\\+")
                                         .arg(QRegularExpression::escape(name)));
        const QRegularExpression shown(
            QStringLiteral(R"(Absolute upper-left X:\s+(-?\d+)\s+Absolute upper-left Y:\s+(-?\d+).*)"
                           R"(Width:\s+(\d+)\s+Height:\s+(\d+).*Map State: IsViewable)"),
            QRegularExpression::DotMatchesEverythingOption);
        QRect geometry;
        waitUntil(
            [&] {
                for (const QString& line : run("xwininfo", {"-root", "-tree"}).split(u'\n')) {
                    const auto m = row.match(line);
                    if (m.hasMatch() && m.captured(2).toInt() > 1) *id = m.captured(1);
                }
                if (id->isEmpty()) return false;
                const auto m = shown.match(run("xwininfo", {"-id", *id}));
                if (!m.hasMatch()) return false;
                geometry = QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                 m.captured(4).toInt());
                return true;
            },
            20000);
        return geometry;
    }

    QHash<QString, QString> paths;
    QProcessEnvironment environment;
    QProcess xvfb, wm, pennant;
    QTemporaryDir folder;
};

} // namespace

TEST_F(PreferencesOnSmallScreen, AtScaleTwoTheWindowAndItsButtonsStayAboveTheStrip) {
    writeFile(folder.filePath("settings.json"), R"({"org.pennant.host": {"dockEdge": "bottom"}})");
    environment.insert("QT_SCALE_FACTOR", "2");
    pennant.setProcessEnvironment(environment);
    pennant.start(QStringLiteral(TEST_PENNANT_BINARY), {"--settings", folder.filePath("settings.json"),
                                                        "--plugins", QStringLiteral(TEST_PLUGIN_DIR)});
    ASSERT_TRUE(pennant.waitForStarted());
    QString stripId;
    const QRect strip = windowNamed(QStringLiteral("Pennant"), &stripId);
    ASSERT_TRUE(strip.isValid()) << pennant.readAllStandardError().toStdString();
    ASSERT_EQ(strip.bottom(), 899);

    // As a user does it: the strip's menu, then Preferences… (the second entry).
    QString prefsId;
    QRect prefs;
    for (int attempt = 0; attempt < 3 && !prefs.isValid(); ++attempt) {
        run("xdotool", {"mousemove", "800", QString::number(strip.center().y()), "click", "3"});
        waitUntil([] { return false; }, 700);
        run("xdotool", {"key", "Down", "Down", "Return"});
        prefs = windowNamed(QStringLiteral("Pennant Preferences"), &prefsId);
    }
    ASSERT_TRUE(prefs.isValid()) << "the preferences did not open";
    // The frame's extents, as the window manager set them: left, right, top, bottom.
    waitUntil([&] { return run("xprop", {"-id", prefsId, "_NET_FRAME_EXTENTS"}).contains(u'='); }, 5000);
    QList<int> extents;
    const QString line = run("xprop", {"-id", prefsId, "_NET_FRAME_EXTENTS"});
    for (const QString& n : line.mid(line.indexOf(u'=') + 1).split(u',', Qt::SkipEmptyParts))
        extents << n.trimmed().toInt();
    ASSERT_EQ(extents.size(), 4) << line.toStdString();
    // Settled: the window may move in once its frame is known.
    waitUntil([] { return false; }, 1000);
    prefs = windowNamed(QStringLiteral("Pennant Preferences"), &prefsId);
    const QRect framed = prefs.adjusted(-extents[0], -extents[2], extents[1], extents[3]);
    EXPECT_GE(framed.top(), 0) << "its title bar on the screen";
    EXPECT_GE(framed.left(), 0);
    EXPECT_LE(framed.right(), 1599);
    EXPECT_LE(framed.bottom(), strip.top() - 1) << "the window (and its Close button) above the strip at "
                                                << strip.top() << ", not down to " << framed.bottom();
}
