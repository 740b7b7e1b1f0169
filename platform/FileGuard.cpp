#include "platform/FileGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <mutex>
#include <sys/stat.h>

namespace platform {
namespace {

std::mutex guardMutex;
QStringList guarded; // absolute paths, as given

bool holdsNul(const QString& path) {
    return path.contains(QChar(u'\0'));
}

// The same file: one inode (a link or a second name of it), or, while neither
// exists yet, the same absolute path once links in the folders are resolved.
bool sameFile(const QString& a, const QString& b) {
    struct stat first {
    }, second{};
    const bool firstThere = ::stat(QFile::encodeName(a).constData(), &first) == 0;
    const bool secondThere = ::stat(QFile::encodeName(b).constData(), &second) == 0;
    if (firstThere && secondThere) return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    if (firstThere != secondThere) return false;
    auto resolved = [](const QString& path) {
        const QFileInfo info(path);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
    };
    return resolved(a) == resolved(b);
}

} // namespace

void guardFile(const QString& path) {
    if (path.isEmpty() || holdsNul(path)) return;
    std::lock_guard lock(guardMutex);
    guarded.append(QFileInfo(path).absoluteFilePath());
}

void unguardFile(const QString& path) {
    std::lock_guard lock(guardMutex);
    guarded.removeOne(QFileInfo(path).absoluteFilePath());
}

QString shownPath(const QString& path) {
    QString shown = path;
    return shown.replace(QChar(u'\0'), QLatin1String("\\0"));
}

QString whyNotReadable(const QString& path) {
    if (holdsNul(path)) return QStringLiteral("the path holds a NUL character, which no file name can");
    return {};
}

QString whyNotWritable(const QString& path) {
    if (holdsNul(path)) return whyNotReadable(path);
    QStringList kept;
    {
        std::lock_guard lock(guardMutex);
        kept = guarded;
    }
    for (const QString& file : std::as_const(kept))
        if (sameFile(path, file)) return QStringLiteral("it is the ticker's settings file (%1)").arg(file);
    return {};
}

} // namespace platform
