#include "app/instance/InstanceServer.h"

#include <QFile>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* kBufferProperty = "pennantRequest";

// Whether the process at the other end runs as this user; the folder's mode
// already keeps others out, this holds even if it were opened.
bool fromThisUser(const QLocalSocket* socket) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    const int fd = int(socket->socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof(peer) &&
           peer.uid == ::getuid();
}

} // namespace

InstanceServer::InstanceServer(InstanceAddress address, QObject* parent)
    : QObject(parent), address_(std::move(address)) {
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

InstanceServer::~InstanceServer() {
    server_.close(); // removes the socket file
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool InstanceServer::claim() {
    if (lockFd_ >= 0) return true;
    const int fd = ::open(QFile::encodeName(address_.lockPath).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

bool InstanceServer::listen(Handler handler, QString* problem) {
    if (lockFd_ < 0) {
        *problem = QStringLiteral("another ticker runs on this settings file");
        return false;
    }
    handler_ = std::move(handler);
    // Holding the lock, any socket left there is a crashed ticker's.
    QLocalServer::removeServer(address_.socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.setMaxPendingConnections(kMaxConnections);
    if (!server_.listen(address_.socketPath)) {
        *problem = QStringLiteral("cannot listen on %1: %2").arg(address_.socketPath, server_.errorString());
        return false;
    }
    return true;
}

void InstanceServer::close() {
    server_.close();
    handler_ = {};
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (!fromThisUser(socket) || connections_ >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections_;
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this] { --connections_; });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A client that connects and says nothing does not keep its place.
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
        readFrom(socket);
    }
}

void InstanceServer::readFrom(QLocalSocket* socket) {
    QByteArray buffer = socket->property(kBufferProperty).toByteArray();
    buffer += socket->read(kMaxInstanceMessageBytes + 1 - buffer.size());
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0 && buffer.size() <= kMaxInstanceMessageBytes) {
        socket->setProperty(kBufferProperty, buffer);
        return;
    }
    socket->setProperty(kBufferProperty, QVariant());
    // One request per connection: what follows it is not read.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (end < 0) return answer(socket, {false, QStringLiteral("refused: the message is too long")});
    QString why;
    const std::optional<InstanceRequest> request = decodeRequest(buffer.left(end + 1), &why);
    if (!request) return answer(socket, {false, QStringLiteral("refused: %1").arg(why)});
    answer(socket, handler_ ? handler_(*request) : InstanceReply{false, QStringLiteral("not ready")});
}

void InstanceServer::answer(QLocalSocket* socket, const InstanceReply& reply) {
    socket->write(encodeReply(reply));
    socket->flush();
    // The client closes once it has the line. Closing first, with its unread bytes
    // still here, would reset the connection and lose the answer on its way: what
    // more it sends is read and dropped until then (or until its time is up).
    socket->readAll();
    connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->readAll(); });
}
