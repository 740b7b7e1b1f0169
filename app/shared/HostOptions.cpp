#include "app/shared/HostOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPair>
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

struct CommandFlag {
    const char* name;
    TickerCommand command;
};
constexpr CommandFlag commandFlags[] = {{"preferences", TickerCommand::Preferences},
                                        {"refresh", TickerCommand::Refresh},
                                        {"toggle-pause", TickerCommand::TogglePause},
                                        {"quit", TickerCommand::Quit}};

TickerCommand commandNamed(const QString& name) {
    for (const CommandFlag& flag : commandFlags)
        if (name == QLatin1String(flag.name)) return flag.command;
    return TickerCommand::None;
}

// The options with a value, as they are written on the command line.
constexpr const char* valueOptions[] = {"settings", "plugins", "import", "export", "view-size"};

bool takesValue(const QString& name) {
    for (const char* option : valueOptions)
        if (name == QLatin1String(option)) return true;
    return false;
}

// The help is our own text (hostUsage), translated with the rest of the program, so
// the parser's descriptions stay empty and its help text is never shown.
QList<QCommandLineOption> hostOptionList() {
    QList<QCommandLineOption> list{
        QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
        QCommandLineOption(QStringLiteral("headless")),
        QCommandLineOption(QStringLiteral("once")),
        QCommandLineOption(QStringLiteral("demo")),
        QCommandLineOption(QStringLiteral("version")),
        QCommandLineOption(QStringLiteral("verbose"))};
    for (const CommandFlag& flag : commandFlags)
        list.append(QCommandLineOption(QString::fromLatin1(flag.name)));
    for (const char* option : valueOptions)
        list.append(QCommandLineOption(QString::fromLatin1(option), QString(), QStringLiteral("value")));
    return list;
}

QString unknownArgument(const QString& argument) {
    return QCoreApplication::translate("HostOptions", "unknown argument %1").arg(argument);
}

QString needsValue(const QString& name) {
    return QCoreApplication::translate("HostOptions", "%1 needs a value").arg(QStringLiteral("--") + name);
}

// The argument as the user wrote it that holds an option the parser did not know:
// "-hx" rather than the "x" it reports.
QString writtenArgument(const QStringList& arguments, const QString& unknownName) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--")) break;
        if (arg.startsWith(QLatin1String("--"))) {
            if (arg.mid(2).section(u'=', 0, 0) == unknownName) return arg;
        } else if (arg.startsWith(u'-') && unknownName.size() == 1 && arg.mid(1).contains(unknownName)) {
            return arg;
        }
    }
    return (unknownName.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + unknownName;
}

// Says what the parser refused, in the words this program has always used.
QString parseProblem(const QCommandLineParser& parser, const QStringList& arguments) {
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
        return unknownArgument(writtenArgument(arguments, unknown.first()));
    // A switch given a value ("--once=yes") is as unknown as any other word.
    for (qsizetype i = 1; i < arguments.size() && arguments.at(i) != QLatin1String("--"); ++i) {
        const QString& arg = arguments.at(i);
        if (arg.startsWith(QLatin1String("--")) && arg.contains(u'=') &&
            !takesValue(arg.mid(2).section(u'=', 0, 0)))
            return unknownArgument(arg);
    }
    // The parser stops at an option with a value when nothing follows it.
    return needsValue(arguments.last().mid(2).section(u'=', 0, 0));
}

std::optional<QPair<float, float>> viewSize(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]+(?:\\.[0-9]*)?)x([0-9]+(?:\\.[0-9]*)?)$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const float w = match.captured(1).toFloat();
    const float h = match.captured(2).toFloat();
    if (!std::isfinite(w) || !std::isfinite(h) || w <= 0 || h <= 0 || h > 10000 || w > 100000)
        return std::nullopt;
    return QPair<float, float>(w, h);
}

} // namespace

std::optional<HostOptions> parseHostOptions(const QStringList& arguments, QString* error, bool* helpAsked) {
    HostOptions options;
    *helpAsked = false;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addOptions(hostOptionList());
    const bool parsed = parser.parse(arguments);
    // Asking for help is answered with the help, whatever else the line holds.
    *helpAsked = parser.isSet(QStringLiteral("help"));
    if (!parsed) {
        *error = parseProblem(parser, arguments);
        return std::nullopt;
    }
    if (const QStringList words = parser.positionalArguments(); !words.isEmpty()) {
        *error = unknownArgument(words.first());
        return std::nullopt;
    }
    options.headless = parser.isSet(QStringLiteral("headless"));
    options.once = parser.isSet(QStringLiteral("once"));
    options.demo = parser.isSet(QStringLiteral("demo"));
    options.version = parser.isSet(QStringLiteral("version"));
    options.verbose = parser.isSet(QStringLiteral("verbose"));
    // In the order given, so the second of two commands is the one named.
    for (const QString& name : parser.optionNames()) {
        const TickerCommand command = commandNamed(name);
        if (command == TickerCommand::None) continue;
        if (options.command != TickerCommand::None && options.command != command) {
            *error = QStringLiteral("--%1 cannot be given with another command").arg(name);
            return std::nullopt;
        }
        options.command = command;
    }
    for (const char* option : valueOptions) {
        const QString name = QString::fromLatin1(option);
        if (parser.isSet(name) && parser.value(name).isEmpty()) {
            *error = needsValue(name);
            return std::nullopt;
        }
    }
    options.settingsPath = parser.value(QStringLiteral("settings"));
    options.pluginFolder = parser.value(QStringLiteral("plugins"));
    options.importPath = parser.value(QStringLiteral("import"));
    options.exportPath = parser.value(QStringLiteral("export"));
    if (parser.isSet(QStringLiteral("view-size"))) {
        const QString text = parser.value(QStringLiteral("view-size"));
        const auto size = viewSize(text);
        if (!size) {
            *error = QCoreApplication::translate("HostOptions",
                                                 "--view-size takes WIDTHxHEIGHT, such as 1280x24, not %1")
                         .arg(text);
            return std::nullopt;
        }
        options.viewWidth = size->first;
        options.viewHeight = size->second;
        options.viewSizeGiven = true;
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
