#include "app/shared/SettingsFile.h"

#include "app/shared/ExactJson.h"
#include "app/shared/SettingsMerge.h"
#include "platform/FileGuard.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Held while the file is read and written again, by every process that saves
// it. The folder is locked, not the file, since a save replaces the file, and a
// lock file beside it would be one more file the user did not ask for.
class FolderLock {
  public:
    explicit FolderLock(const QString& folder) {
        fd_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // No folder to lock: the write that follows fails and says why.
        if (fd_ < 0) return;
        // A save holds it for milliseconds; a holder that never lets go is not waited for.
        const QDeadlineTimer deadline(3000);
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                busy_ = errno == EWOULDBLOCK;
                ::close(fd_);
                fd_ = -1;
                return;
            }
            QThread::msleep(10);
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_); // closing lets go of the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    // Another writer held it all the while.
    bool busy() const { return busy_; }

  private:
    int fd_ = -1;
    bool busy_ = false;
};

// The dictionaries a file's text holds; nothing when it holds no JSON object.
std::optional<QVariantMap> dictionariesIn(const QByteArray& bytes) {
    if (bytes.trimmed().isEmpty()) return QVariantMap();
    QJsonParseError error{};
    const std::optional<QVariantMap> top = readExactJsonObject(bytes, &error);
    if (!top) return std::nullopt;
    QVariantMap dictionaries;
    for (auto it = top->begin(); it != top->end(); ++it)
        if (it.value().typeId() == QMetaType::QVariantMap) dictionaries.insert(it.key(), it.value());
    return dictionaries;
}

} // namespace

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {
    platform::guardFile(path_);
}

SettingsFile::~SettingsFile() {
    platform::unguardFile(path_);
}

QString SettingsFile::defaultPath() {
    // $XDG_CONFIG_HOME, else ~/.config. The folder is named here, not taken from the
    // application's name: this is asked before the application is made.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/pennant/settings.json");
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
    diskBytes_.reset();
    readOnly_ = false;
    QFile file(path_);
    existed_ = file.exists();
    if (!existed_) return {};
    if (!file.open(QIODevice::ReadOnly)) {
        // Not read, so not to be replaced by the empty settings this run starts with.
        readOnly_ = true;
        return QCoreApplication::translate(
                   "SettingsFile",
                   "cannot read the settings file %1: %2; starting from empty settings, and the "
                   "file will not be written")
            .arg(path_, file.errorString());
    }
    const QByteArray bytes = file.readAll();
    file.close();
    diskBytes_ = bytes;
    if (bytes.trimmed().isEmpty()) {
        written_ = bytes;
        return {};
    }
    QJsonParseError error{};
    const std::optional<QVariantMap> top = readExactJsonObject(bytes, &error);
    if (!top) {
        const QString reason =
            error.error != QJsonParseError::NoError
                ? QCoreApplication::translate("SettingsFile", "%1 at byte %2")
                      .arg(error.errorString())
                      .arg(error.offset)
                : QCoreApplication::translate("SettingsFile", "it does not hold a JSON object");
        const QString aside = setAside(true);
        existed_ = false;
        readOnly_ = aside.isEmpty();
        diskBytes_.reset();
        if (aside.isEmpty())
            return QCoreApplication::translate(
                       "SettingsFile",
                       "the settings file %1 is unreadable (%2) and could not be moved aside; "
                       "starting from empty settings, and the file will not be written")
                .arg(path_, reason);
        return QCoreApplication::translate(
                   "SettingsFile", "the settings file %1 is unreadable (%2); it was moved to %3 and the "
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
        return QCoreApplication::translate(
                   "SettingsFile",
                   "the settings of %1 in %2 are not a dictionary; they start empty (the file "
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
    merged_.clear();
    if (readOnly_)
        return QCoreApplication::translate(
                   "SettingsFile",
                   "the settings file %1 was not written: it could not be read and is left as it was")
            .arg(path_);
    // Nothing changed since the file was read or written: it stays as it is.
    if (existed_ && written_ && contents() == *written_) return {};
    const QString folder = QFileInfo(path_).absolutePath();
    QDir().mkpath(folder);
    const FolderLock lock(folder);
    if (lock.busy())
        return QStringLiteral("the settings file %1 was not written: another program holds it").arg(path_);
    QFile current(path_);
    std::optional<QByteArray> onDisk;
    if (current.open(QIODevice::ReadOnly)) onDisk = current.readAll();
    current.close();
    if (onDisk != diskBytes_ && onDisk) {
        const QString problem = mergeFromDisk(*onDisk);
        if (!problem.isEmpty()) return problem;
    }
    return writeLocked(contents());
}

QString SettingsFile::mergeFromDisk(const QByteArray& onDisk) {
    const std::optional<QVariantMap> theirs = dictionariesIn(onDisk);
    const std::optional<QVariantMap> base = diskBytes_ ? dictionariesIn(*diskBytes_) : QVariantMap();
    if (!theirs)
        return QStringLiteral("the settings file %1 was not written: another program changed it into "
                              "something that is not a settings file, which is left as it is")
            .arg(path_);
    const SettingsMerge merge = mergeSettings(base.value_or(QVariantMap()), snapshot(), *theirs);
    if (!merge.conflicts.isEmpty())
        return QStringLiteral("the settings file %1 was not written: another program changed %2 in it "
                              "while this one did; restart pennant to read its changes")
            .arg(path_, merge.conflicts.join(QStringLiteral(", ")));
    for (const QString& identifier : merge.takenFromTheirs)
        dictionaryFor(identifier) = merge.merged.value(identifier).toMap();
    // Dictionaries are changed in place, never dropped: plug-ins hold them.
    merged_ = merge.takenFromTheirs;
    return {};
}

QString SettingsFile::writeLocked(const QByteArray& bytes) {
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return QCoreApplication::translate("SettingsFile", "cannot write the settings file %1: %2")
            .arg(path_, file.errorString());
    file.write(bytes);
    if (!file.commit())
        return QCoreApplication::translate("SettingsFile", "cannot write the settings file %1: %2")
            .arg(path_, file.errorString());
    existed_ = true;
    written_ = bytes;
    diskBytes_ = bytes;
    return {};
}

QVariantMap SettingsFile::snapshot() const {
    QVariantMap top;
    for (auto it = dictionaries_.begin(); it != dictionaries_.end(); ++it)
        top.insert(it.key(), *it.value());
    return top;
}

QByteArray SettingsFile::contents() const {
    return writeExactJson(snapshot(), true);
}
