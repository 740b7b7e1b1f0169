// pennant: the desktop ticker host.
// It chooses between the window host and the headless host; the screenshot tool
// is attached here, from outside the window host.
#include "app/headless/HeadlessMode.h"
#include "app/instance/SingleInstance.h"
#include "app/screenshot/ScreenshotHook.h"
#include "app/shared/DemoFeeds.h"
#include "app/shared/HostOptions.h"
#include "app/shared/PluginHost.h"
#include "app/shared/SettingsFile.h"
#include "app/shared/SourceListTransfer.h"
#include "app/shared/Translations.h"
#include "app/window/DisplayCheck.h"
#include "app/window/WindowHost.h"
#include "app/window/WindowMode.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

void say(const QString& text) {
    std::cerr << "pennant: " << text.toStdString() << std::endl;
}

// What is said before the application is made (help, a bad command line, no
// display) is said in the user's language through a core application made for
// it; the program ends right after.
int sayBeforeStart(int argc, char** argv, const std::function<int()>& speak) {
    QCoreApplication core(argc, argv);
    Translations translations;
    translations.install(QLocale::system());
    return speak();
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString problem;
    bool help = false;
    std::optional<HostOptions> parsed = parseHostOptions(arguments, &problem, &help);
    if (help) {
        return sayBeforeStart(argc, argv, [] {
            std::fputs(hostUsage().toUtf8().constData(), stdout);
            return 0;
        });
    }
    if (!parsed) {
        return sayBeforeStart(argc, argv, [&] {
            parseHostOptions(arguments, &problem, &help); // again, to say it translated
            say(problem);
            std::fputs(hostUsage().toUtf8().constData(), stderr);
            return 2;
        });
    }
    HostOptions options = *parsed;
    // Carrying the feed list to or from a file needs no window.
    const bool transferring = !options.importPath.isEmpty() || !options.exportPath.isEmpty();
    if (transferring && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (options.version) {
        std::fputs(hostVersion().toUtf8().constData(), stdout);
        return 0;
    }

    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime folder and complains on every start without one;
        // the running ticker is reached through it.
        const QByteArray runtime =
            QDir::tempPath().toLocal8Bit() + "/pennant-runtime-" + QByteArray::number(getuid());
        if (QDir().mkpath(QString::fromLocal8Bit(runtime)) &&
            QFile::setPermissions(QString::fromLocal8Bit(runtime),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QString settingsPath =
        options.settingsPath.isEmpty() ? SettingsFile::defaultPath() : options.settingsPath;
    // A ticker already running on these settings takes the command, with or without a display here.
    std::unique_ptr<InstanceServer> instance;
    if (std::optional<int> code = SingleInstance::handOver(options, settingsPath, &instance)) return *code;

    // Without a display the window cannot open: the demo falls back to headless.
    const bool haveDisplay = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                             !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                             qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
    if (!transferring && !options.headless && (!haveDisplay || !tickerWindowAvailable())) {
        if (!options.demo && !options.once) {
            return sayBeforeStart(argc, argv, [] {
                say(QCoreApplication::translate(
                    "main",
                    "no display can be opened; run `pennant --headless` to use the ticker without a window"));
                return 1;
            });
        }
        options.headless = true;
    }
    if (options.headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    releaseDisplayProbe();
    QApplication::setApplicationName(QStringLiteral("pennant"));
    // The installed icon and menu entry: task bars and Wayland compositors match
    // the windows to them.
    QApplication::setDesktopFileName(QStringLiteral("pennant"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pennant")));
    QApplication::setQuitOnLastWindowClosed(false);
    // The window and what it says follow the user's language; headless mode
    // writes the same lines in every language.
    Translations translations;
    const QLocale language = QLocale::system();
    if (!options.headless) translations.install(language);

    std::unique_ptr<QTemporaryDir> demoDir;
    if (options.demo) {
        const QString folder = demoFeedFolder();
        if (folder.isEmpty()) {
            say(QCoreApplication::translate("main", "the demo feeds are not installed"));
            return 1;
        }
        demoDir = std::make_unique<QTemporaryDir>();
        settingsPath = demoDir->filePath(QStringLiteral("settings.json"));
    }

    SettingsFile settings(settingsPath);
    const QString notice = settings.load();
    if (!notice.isEmpty()) say(notice);

    PluginHost plugins;
    const QString folder =
        options.pluginFolder.isEmpty() ? PluginHost::defaultFolder() : options.pluginFolder;
    for (const QString& error : plugins.loadFrom(folder))
        say(error);
    if (plugins.plugins().isEmpty())
        say(QCoreApplication::translate("main", "no plug-in was loaded from %1").arg(folder));
    if (!options.headless)
        for (LoadedPlugin* p : plugins.plugins())
            translations.installBundle(language, *p->bundle);

    if (transferring) return runSourceListTransfer(options, settings, plugins);

    if (options.demo) {
        for (LoadedPlugin* p : plugins.plugins())
            if (p->bundle->bundleIdentifier() == QLatin1String("org.pennant.newsreel"))
                settings.dictionaryFor(p->bundle->bundleIdentifier()) = demoSettings(demoFeedFolder());
    }

    if (options.headless) return runHeadless(options, settings, plugins);
    const bool screenshot = screenshotRequested();
    const bool openPreferences = options.command == TickerCommand::Preferences;
    auto whenShown = [&](WindowHost& host) {
        if (instance) SingleInstance::serve(*instance, host, &plugins);
        if (openPreferences) host.openPreferences();
        if (screenshot) scheduleScreenshotFromEnvironment(host);
    };
    return runTickerWindow(settings, plugins, notice, whenShown, options.verbose);
}
