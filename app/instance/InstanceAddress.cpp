#include "app/instance/InstanceAddress.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The folder, made if needed, when it is this user's own and closed to others;
// never followed through a link, which another user could have planted.
bool isPrivateFolder(const QString& folder, QString* problem) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *problem =
            QStringLiteral("cannot make %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
        (status.st_mode & 077) != 0) {
        *problem = QStringLiteral("%1 is not a folder that only this user may open").arg(folder);
        return false;
    }
    return true;
}

QString settingsKey(const QString& settingsPath) {
    const QFileInfo info(settingsPath);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    const QString whole = (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
    return QString::fromLatin1(
        QCryptographicHash::hash(whole.toUtf8(), QCryptographicHash::Sha256).toHex().left(24));
}

} // namespace

std::optional<InstanceAddress> instanceAddressFor(const QString& settingsPath, QString* problem) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime)) {
        *problem = QStringLiteral("XDG_RUNTIME_DIR is not set");
        return std::nullopt;
    }
    const QString folder = QDir::cleanPath(runtime) + QStringLiteral("/pennant");
    if (!isPrivateFolder(folder, problem)) return std::nullopt;
    const QString stem = folder + QStringLiteral("/ticker-") + settingsKey(settingsPath);
    InstanceAddress address{stem + QStringLiteral(".socket"), stem + QStringLiteral(".lock")};
    if (QFile::encodeName(address.socketPath).size() >= qsizetype(sizeof(sockaddr_un::sun_path))) {
        *problem = QStringLiteral("the path %1 is too long for a socket").arg(address.socketPath);
        return std::nullopt;
    }
    return address;
}
