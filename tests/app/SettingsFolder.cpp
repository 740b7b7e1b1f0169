#include "tests/app/SettingsFolder.h"

#include <QFile>
#include <QJsonDocument>
#include <QUrl>
#include <gtest/gtest.h>

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QJsonObject newsreelSettingsIn(const QString& settingsPath) {
    return QJsonDocument::fromJson(readFile(settingsPath)).object().value("org.pennant.newsreel").toObject();
}

QStringList feedURLsIn(const QString& settingsPath) {
    QStringList urls;
    for (const QJsonValue& record : newsreelSettingsIn(settingsPath).value("feeds").toArray())
        urls << record.toObject().value("url").toString();
    return urls;
}

QJsonObject feedRecord(const QString& url, bool enabled, int interval) {
    return {{"url", url}, {"interval", interval}, {"enabled", enabled}};
}

QString SettingsFolder::writeSettings(const QJsonArray& feeds, const QJsonObject& others) const {
    QJsonObject newsreel = others;
    newsreel.insert("feeds", feeds);
    writeFile(settingsPath(), QJsonDocument(QJsonObject{{"org.pennant.newsreel", newsreel}}).toJson());
    return settingsPath();
}

QString SettingsFolder::writeFeed(const QString& name, const QByteArray& document) const {
    writeFile(filePath(name), document);
    return QString::fromUtf8(QUrl::fromLocalFile(filePath(name)).toEncoded());
}
