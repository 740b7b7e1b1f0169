#pragma once
#include <QString>
#include <optional>

// A command for the ticker in its window: handed to the one running on the same
// settings file, if any.
enum class TickerCommand { None, Preferences, Refresh, TogglePause, Quit };

struct HostOptions {
    bool headless = false;
    bool once = false;
    bool demo = false;
    QString settingsPath; // empty: the default file
    QString pluginFolder; // empty: the default folder
    float viewWidth = 1280;
    float viewHeight = 24;
    bool viewSizeGiven = false;
    // Carry the feed list to or from an OPML file and exit.
    QString importPath;
    QString exportPath;
    bool version = false; // print the version and exit
    TickerCommand command = TickerCommand::None;
    // In the window: every log line on stderr too, not the problems alone.
    bool verbose = false;
};

// Parses the command line; on a bad argument returns nothing and sets error.
std::optional<HostOptions> parseHostOptions(const QStringList& arguments, QString* error, bool* helpAsked);
QString hostUsage();
// "pennant VERSION" and a line break.
QString hostVersion();
