#include "tests/support/LoopbackHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The connection thread gets bytes of its own: Qt's shared buffers are freed in
// Qt's own (uninstrumented) code, which ThreadSanitizer cannot follow.
LoopbackHttpServer::Response deepCopy(const LoopbackHttpServer::Response& from) {
    LoopbackHttpServer::Response to = from;
    to.body = QByteArray(from.body.constData(), from.body.size());
    to.headers.clear();
    for (const auto& [name, value] : from.headers)
        to.headers.append(
            {QByteArray(name.constData(), name.size()), QByteArray(value.constData(), value.size())});
    return to;
}

// As a caching-aware server answers: a request whose validators match the
// route's ETag or Last-Modified gets 304 and no body.
bool notModified(const LoopbackHttpServer::Request& request, const LoopbackHttpServer::Response& response) {
    auto header = [&](const char* name) {
        for (const auto& [key, value] : response.headers)
            if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
        return QByteArray();
    };
    const QByteArray etag = header("ETag");
    if (!etag.isEmpty() && request.headers.contains("if-none-match"))
        return request.headers.value("if-none-match") == etag;
    const QByteArray lastModified = header("Last-Modified");
    return !lastModified.isEmpty() && request.headers.value("if-modified-since") == lastModified;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("socket");
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0)
        throw std::runtime_error("bind/listen");
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stopping_ = true;
    acceptor_.join();
    ::close(listener_);
    std::vector<std::thread> connections;
    {
        std::lock_guard guard(mutex_);
        connections.swap(connections_);
    }
    for (std::thread& t : connections)
        t.join();
}

void LoopbackHttpServer::route(const QByteArray& path, Response response) {
    std::lock_guard guard(mutex_);
    routes_.insert(path, std::move(response));
}

LoopbackHttpServer::Response LoopbackHttpServer::redirect(const QByteArray& location, int status) {
    return Response(status, {}, {{"Location", location}});
}

QString LoopbackHttpServer::url(const QByteArray& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QString::fromLatin1(path));
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const {
    QList<Request> all;
    {
        // A copy of its own, made under the lock: sharing the list would let
        // the server write in place into what is being copied here.
        std::lock_guard guard(mutex_);
        all = requests_;
        all.detach();
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Request& a, const Request& b) { return a.received < b.received; });
    return all;
}

int LoopbackHttpServer::hits(const QByteArray& path) const {
    const QList<Request> all = requests();
    return int(std::count_if(all.begin(), all.end(), [&](const Request& r) { return r.path == path; }));
}

void LoopbackHttpServer::acceptLoop() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) continue;
        // As web servers do: the body follows the head without waiting for the
        // client to acknowledge the head.
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ++accepted_;
        std::lock_guard guard(mutex_);
        connections_.emplace_back([this, socket] {
            while (serve(socket) && keepAlive_) {
            }
            ::close(socket);
        });
    }
}

bool LoopbackHttpServer::sendAll(int socket, const char* data, qsizetype size) {
    while (size > 0) {
        if (stopping_) return false;
        const ssize_t sent = ::send(socket, data, size_t(size), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= sent;
    }
    return true;
}

bool LoopbackHttpServer::serve(int socket) {
    QByteArray head;
    char buffer[4096];
    while (!head.contains("\r\n\r\n") && head.size() < 65536 && !stopping_) {
        pollfd p{socket, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        head.append(buffer, n);
        // A TLS handshake on this plain port: answered as a plain web server does,
        // which the client's TLS reads as "wrong version number".
        if (head.startsWith('\x16')) {
            sendAll(socket, "HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n", 47);
            return false;
        }
    }
    if (keepAlive_ && head.isEmpty()) return false; // the client closed its idle connection
    Request request;
    request.received = std::chrono::steady_clock::now();
    const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
    request.path = lines.value(0).trimmed().split(' ').value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                   lines.at(i).mid(colon + 1).trimmed());
    }
    Response response;
    qsizetype index = 0;
    {
        // Recorded on arrival: a client may be done before the response is.
        std::lock_guard guard(mutex_);
        index = requests_.size();
        requests_.append(request);
        const auto it = routes_.constFind(request.path);
        response = it == routes_.cend() ? Response(404, "not here") : deepCopy(*it);
    }
    if (response.status == 200 && notModified(request, response)) {
        response.status = 304;
        response.body.clear();
    }
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n"; // clients read the code only
    out += (keepAlive_ ? "Connection: keep-alive" : "Connection: close");
    out += "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        out += name + ": " + value + "\r\n";
    out += "\r\n";
    // answered: when the last part of the response began to go out; a client
    // cannot have the whole response before then.
    auto markAnswered = [&] {
        std::lock_guard guard(mutex_);
        requests_[index].answered = std::chrono::steady_clock::now();
    };
    markAnswered();
    bool ok = sendAll(socket, out.constData(), out.size());
    if (ok && response.stall) {
        while (!stopping_) {
            pollfd p{socket, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && ::recv(socket, buffer, sizeof buffer, 0) <= 0) break; // client gone
        }
        ok = false;
    }
    for (qsizetype at = 0; ok && at < response.body.size();) {
        const qsizetype piece = response.byteDelayMs > 0 ? 1 : response.body.size();
        if (at > 0 && response.byteDelayMs > 0) {
            // In slices, so that a server going away does not wait out a long pause.
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(response.byteDelayMs);
            while (!stopping_ && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                    until - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
            if (stopping_) break;
        }
        markAnswered();
        // Counted before it goes: a client may be done before send returns.
        bodyBytesSent_ += piece;
        ok = sendAll(socket, response.body.constData() + at, piece);
        at += piece;
    }
    if (ok && keepAlive_) return true;
    ::shutdown(socket, SHUT_WR);
    return false;
}
