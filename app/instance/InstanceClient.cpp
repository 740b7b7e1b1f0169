#include "app/instance/InstanceClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

int connectTo(const QString& socketPath) {
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof(address.sun_path)) return -1;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, std::size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

// One line, up to the limit, within the time.
std::optional<QByteArray> receiveLine(int fd, int answerMs) {
    const QDeadlineTimer deadline(answerMs);
    QByteArray line;
    while (!line.endsWith('\n') && line.size() <= kMaxInstanceMessageBytes) {
        pollfd wanted{fd, POLLIN, 0};
        const int ready = ::poll(&wanted, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        line.append(chunk, n);
    }
    return line;
}

} // namespace

bool tickerRunsAt(const InstanceAddress& address) {
    Descriptor lock{
        ::open(QFile::encodeName(address.lockPath).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
    if (lock.fd < 0) return false; // never made: no ticker ever ran here
    if (::flock(lock.fd, LOCK_SH | LOCK_NB) == 0) return false;
    return errno == EWOULDBLOCK;
}

Delivery deliverToRunningTicker(const InstanceAddress& address, const InstanceRequest& request,
                                InstanceReply* reply, QString* problem, int waitMs, int answerMs) {
    const QDeadlineTimer deadline(waitMs);
    Descriptor socket;
    for (;;) {
        socket.fd = connectTo(address.socketPath);
        if (socket.fd >= 0) break;
        if (!tickerRunsAt(address)) return Delivery::NoTicker;
        if (deadline.hasExpired()) {
            *problem = QStringLiteral("a ticker runs on this settings file but does not answer");
            return Delivery::Failed;
        }
        QThread::msleep(50); // it is starting: its channel opens once its window is up
    }
    if (!sendAll(socket.fd, encodeRequest(request))) {
        *problem = QStringLiteral("the running ticker closed the channel");
        return Delivery::Failed;
    }
    const std::optional<QByteArray> line = receiveLine(socket.fd, answerMs);
    const std::optional<InstanceReply> answer = line ? decodeReply(*line) : std::nullopt;
    if (!answer) {
        *problem = line ? QStringLiteral("the running ticker's answer cannot be read")
                        : QStringLiteral("the running ticker did not answer in time");
        return Delivery::Failed;
    }
    *reply = *answer;
    return Delivery::Answered;
}
