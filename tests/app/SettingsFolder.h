#pragma once
// Files the app tests set up and read back: the ticker's settings file in a
// folder of the test's own, and the feed files served from it.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Whole-file helpers; reading a missing file gives nothing.
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
// The plug-in's part of a settings file; the addresses of its feed list, in order.
QJsonObject newsreelSettingsIn(const QString& settingsPath);
QStringList feedURLsIn(const QString& settingsPath);

// One feed of the plug-in's list as the settings file holds it.
QJsonObject feedRecord(const QString& url, bool enabled = true, int interval = 30);

class SettingsFolder {
  public:
    QString filePath(const QString& name) const { return dir.filePath(name); }
    QString settingsPath() const { return filePath(QStringLiteral("settings.json")); }
    // Writes the settings file: this feed list and the plug-in's other settings.
    QString writeSettings(const QJsonArray& feeds, const QJsonObject& others = {}) const;
    // Writes a feed document into the folder; its file: URL.
    QString writeFeed(const QString& name, const QByteArray& document) const;
    QJsonObject stored() const { return newsreelSettingsIn(settingsPath()); }
    QStringList feedURLs() const { return feedURLsIn(settingsPath()); }

    QTemporaryDir dir;
};
