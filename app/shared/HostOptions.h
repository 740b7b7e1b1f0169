#pragma once
#include <QString>
#include <optional>

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
};

// Parses the command line; on a bad argument returns nothing and sets error.
std::optional<HostOptions> parseHostOptions(const QStringList& arguments, QString* error, bool* helpAsked);
QString hostUsage();
// "pennant VERSION" and a line break.
QString hostVersion();
