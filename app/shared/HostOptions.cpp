#include "app/shared/HostOptions.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

QString hostVersion() {
    return QStringLiteral("pennant " NEWSREEL_VERSION "\n");
}

QString hostUsage() {
    return QCoreApplication::translate(
        "HostOptions",
        "usage: pennant [--headless] [--once] [--demo] [--verbose] [--settings FILE] [--plugins DIR]\n"
        "               [--view-size WxH]\n"
        "       pennant [--settings FILE] --preferences | --refresh | --toggle-pause | --quit\n"
        "       pennant [--settings FILE] [--plugins DIR] --import FILE | --export FILE\n"
        "       pennant --version | --help\n"
        "  --headless       no window: print every sign, log line, beep, opened URL, menu and window as\n"
        "                   JSON lines on stdout and take commands on stdin\n"
        "  --once           exit once every enabled feed has been updated once\n"
        "  --demo           run on the bundled demo feeds with a temporary settings file\n"
        "  --verbose        in the window, write every log line to stderr, not only problems\n"
        "  --settings FILE  settings file (default $XDG_CONFIG_HOME/pennant/settings.json)\n"
        "  --plugins DIR    folder of plug-in bundles (default: beside the program)\n"
        "  --view-size WxH  the strip's size in headless mode (default 1280x24)\n"
        "  --preferences    open the preferences (of the running ticker, or start one)\n"
        "  --refresh        update every feed now (the running ticker's, or start one)\n"
        "  --toggle-pause   pause the running ticker, or let it scroll again\n"
        "  --quit           quit the running ticker\n"
        "  --import FILE    add the feeds of an OPML file to the settings, say what was done and exit\n"
        "  --export FILE    write the settings' feed list to an OPML file, say so and exit\n"
        "  A ticker runs once per settings file: a second pennant hands its command (and\n"
        "  --import or --export) to the running one and exits.\n"
        "  --version        print the version and exit\n"
        "  --help           print this help and exit\n");
}

namespace {

TickerCommand commandOption(const QString& arg) {
    if (arg == QLatin1String("--preferences")) return TickerCommand::Preferences;
    if (arg == QLatin1String("--refresh")) return TickerCommand::Refresh;
    if (arg == QLatin1String("--toggle-pause")) return TickerCommand::TogglePause;
    if (arg == QLatin1String("--quit")) return TickerCommand::Quit;
    return TickerCommand::None;
}

} // namespace

std::optional<HostOptions> parseHostOptions(const QStringList& arguments, QString* error, bool* helpAsked) {
    HostOptions options;
    *helpAsked = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        auto value = [&](const char* name) -> std::optional<QString> {
            if (i + 1 >= arguments.size()) {
                *error = QCoreApplication::translate("HostOptions", "%1 needs a value")
                             .arg(QString::fromLatin1(name));
                return std::nullopt;
            }
            return arguments.at(++i);
        };
        if (arg == QLatin1String("--headless"))
            options.headless = true;
        else if (arg == QLatin1String("--once"))
            options.once = true;
        else if (arg == QLatin1String("--demo"))
            options.demo = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            *helpAsked = true;
        else if (arg == QLatin1String("--version"))
            options.version = true;
        else if (arg == QLatin1String("--verbose"))
            options.verbose = true;
        else if (const TickerCommand command = commandOption(arg); command != TickerCommand::None) {
            if (options.command != TickerCommand::None && options.command != command) {
                *error = QStringLiteral("%1 cannot be given with another command").arg(arg);
                return std::nullopt;
            }
            options.command = command;
        } else if (arg == QLatin1String("--settings")) {
            auto v = value("--settings");
            if (!v) return std::nullopt;
            options.settingsPath = *v;
        } else if (arg == QLatin1String("--plugins")) {
            auto v = value("--plugins");
            if (!v) return std::nullopt;
            options.pluginFolder = *v;
        } else if (arg == QLatin1String("--import") || arg == QLatin1String("--export")) {
            auto v = value(arg == QLatin1String("--import") ? "--import" : "--export");
            if (!v) return std::nullopt;
            (arg == QLatin1String("--import") ? options.importPath : options.exportPath) = *v;
        } else if (arg == QLatin1String("--view-size")) {
            auto v = value("--view-size");
            if (!v) return std::nullopt;
            static const QRegularExpression pattern(
                QStringLiteral("^([0-9]+(?:\\.[0-9]*)?)x([0-9]+(?:\\.[0-9]*)?)$"));
            const auto match = pattern.match(*v);
            const float w = match.hasMatch() ? match.captured(1).toFloat() : 0;
            const float h = match.hasMatch() ? match.captured(2).toFloat() : 0;
            if (!match.hasMatch() || !std::isfinite(w) || !std::isfinite(h) || w <= 0 || h <= 0 ||
                h > 10000 || w > 100000) {
                *error = QCoreApplication::translate(
                             "HostOptions", "--view-size takes WIDTHxHEIGHT, such as 1280x24, not %1")
                             .arg(*v);
                return std::nullopt;
            }
            options.viewWidth = w;
            options.viewHeight = h;
            options.viewSizeGiven = true;
        } else {
            *error = QCoreApplication::translate("HostOptions", "unknown argument %1").arg(arg);
            return std::nullopt;
        }
    }
    if (options.command != TickerCommand::None &&
        (options.headless || options.demo || !options.importPath.isEmpty() ||
         !options.exportPath.isEmpty())) {
        *error = QCoreApplication::translate(
            "HostOptions", "--preferences, --refresh, --toggle-pause and --quit are for the ticker in its "
                           "window, one at a time");
        return std::nullopt;
    }
    if (!options.importPath.isEmpty() && !options.exportPath.isEmpty()) {
        *error = QCoreApplication::translate("HostOptions", "--import and --export are given one at a time");
        return std::nullopt;
    }
    return options;
}
