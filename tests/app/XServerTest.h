#pragma once
// The ticker in its window under an X server of the test's own (Xvfb), read back
// with the X tools as a window manager reads it.
#include "tests/app/PennantProcess.h"
#include "tests/app/SettingsFolder.h"

#include <QHash>
#include <QProcess>
#include <QRect>
#include <gtest/gtest.h>
#include <initializer_list>

class XServerTest : public ::testing::Test {
  protected:
    // The screen as Xvfb takes it: "1280x800x24".
    explicit XServerTest(QString screen) : screen_(std::move(screen)) {}
    // Skipped where Xvfb, xprop or xwininfo is missing.
    void SetUp() override;
    // Stops the ticker, then the window manager and the servers.
    void TearDown() override;

    // The path of an installed tool, or nothing.
    QString tool(const QString& name);
    // Whether every one is installed (scripts/install-deps.sh installs them).
    bool haveTools(std::initializer_list<const char*> names);
    // Starts an X server; it writes its display number once it takes connections.
    // It never resets: a client leaving must not turn the next one away.
    QString startServer(QProcess& server, const QString& program, const QStringList& arguments);
    // openbox on the display; false when it does not come up.
    bool startWindowManager();
    // The ticker in its window on the display, on a settings file holding these host settings.
    void startPennant(const QByteArray& hostSettings, const QString& pluginFolder);
    // A tool run on the display to its end: what it printed.
    QString run(const QString& name, const QStringList& arguments);
    // The top-level window of this title once it is on screen: its id and geometry.
    bool findWindow(QString* id, QRect* geometry, const QString& title = QStringLiteral("Pennant"));
    // The value of a window's property as xprop prints it after "=", or nothing.
    QString property(const QString& id, const char* name);

    QString display;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess xvfb, nested, windowManager;
    SettingsFolder folder;
    PennantProcess pennant{PennantProcess::Window, folder.settingsPath()};

  private:
    QString screen_;
    QHash<QString, QString> tools_;
};
