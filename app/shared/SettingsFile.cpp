#include "app/shared/SettingsFile.h"

#include "app/shared/ExactJson.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {}

QString SettingsFile::defaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/pennant/settings.json");
}

QString SettingsFile::setAside(bool move) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString aside = path_ + QStringLiteral(".corrupt-") + stamp;
    const bool ok = move ? QFile::rename(path_, aside) : QFile::copy(path_, aside);
    if (!ok) return {};
    return aside;
}

QString SettingsFile::load() {
    dictionaries_.clear();
    written_.reset();
    readOnly_ = false;
    QFile file(path_);
    existed_ = file.exists();
    if (!existed_) return {};
    if (!file.open(QIODevice::ReadOnly)) {
        // Not read, so not to be replaced by the empty settings this run starts with.
        readOnly_ = true;
        return QStringLiteral("cannot read the settings file %1: %2; starting from empty settings, and the "
                              "file will not be written")
            .arg(path_, file.errorString());
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.trimmed().isEmpty()) {
        written_ = bytes;
        return {};
    }
    QJsonParseError error{};
    const std::optional<QVariantMap> top = readExactJsonObject(bytes, &error);
    if (!top) {
        const QString reason =
            error.error != QJsonParseError::NoError
                ? QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset)
                : QStringLiteral("it does not hold a JSON object");
        const QString aside = setAside(true);
        existed_ = false;
        readOnly_ = aside.isEmpty();
        if (aside.isEmpty())
            return QStringLiteral("the settings file %1 is unreadable (%2) and could not be moved aside; "
                                  "starting from empty settings, and the file will not be written")
                .arg(path_, reason);
        return QStringLiteral("the settings file %1 is unreadable (%2); it was moved to %3 and the "
                              "settings start empty")
            .arg(path_, reason, aside);
    }
    QStringList wrong;
    for (auto it = top->begin(); it != top->end(); ++it) {
        if (it.value().typeId() == QMetaType::QVariantMap)
            dictionaries_.insert(it.key(), std::make_shared<QVariantMap>(it.value().toMap()));
        else
            wrong << it.key();
    }
    // What is read is what a save with nothing changed would write.
    written_ = contents();
    if (!wrong.isEmpty()) {
        const QString aside = setAside(false);
        return QStringLiteral("the settings of %1 in %2 are not a dictionary; they start empty (the file "
                              "was copied to %3)")
            .arg(wrong.join(QStringLiteral(", ")), path_, aside);
    }
    return {};
}

QVariantMap& SettingsFile::dictionaryFor(const QString& identifier) {
    auto& slot = dictionaries_[identifier];
    if (!slot) slot = std::make_shared<QVariantMap>();
    return *slot;
}

QString SettingsFile::save() {
    if (readOnly_)
        return QStringLiteral(
                   "the settings file %1 was not written: it could not be read and is left as it was")
            .arg(path_);
    const QByteArray bytes = contents();
    // Nothing changed since the file was read or written: it stays as it is.
    if (existed_ && written_ && bytes == *written_) return {};
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write the settings file %1: %2").arg(path_, file.errorString());
    file.write(bytes);
    if (!file.commit())
        return QStringLiteral("cannot write the settings file %1: %2").arg(path_, file.errorString());
    existed_ = true;
    written_ = bytes;
    return {};
}

QByteArray SettingsFile::contents() const {
    QVariantMap top;
    for (auto it = dictionaries_.begin(); it != dictionaries_.end(); ++it)
        top.insert(it.key(), *it.value());
    return writeExactJson(top, true);
}
