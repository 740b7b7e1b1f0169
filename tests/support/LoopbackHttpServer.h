#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 and a port of its own, for fetch tests.
// Every connection is served on its own thread and closed after one response,
// unless keep-alive is on: then it serves request after request, as a web server
// does, until the client closes it.
// A 200 route that sends ETag or Last-Modified answers a request carrying the
// matching If-None-Match or If-Modified-Since with 304 and no body.
class LoopbackHttpServer {
  public:
    struct Response {
        Response() = default;
        Response(int status, QByteArray body, QList<QPair<QByteArray, QByteArray>> headers = {})
            : status(status), body(std::move(body)), headers(std::move(headers)) {}
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Sends the headers, then the body one byte at a time with this pause.
        int byteDelayMs = 0;
        // Sends the headers and then nothing until the client gives up.
        bool stall = false;
    };
    struct Request {
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        std::chrono::steady_clock::time_point received;
        std::chrono::steady_clock::time_point answered;
    };

    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    void route(const QByteArray& path, Response response);
    // Set before the first request.
    void setKeepAlive(bool keepAlive) { keepAlive_ = keepAlive; }
    static Response redirect(const QByteArray& location, int status = 302);
    QString url(const QByteArray& path) const;
    QList<Request> requests() const;
    int hits(const QByteArray& path) const;
    // Bytes of bodies handed to clients so far (counted as each piece goes out).
    qint64 bodyBytesSent() const { return bodyBytesSent_.load(); }
    // Connections accepted so far (a request may still be in progress).
    int connectionsAccepted() const { return accepted_.load(); }

  private:
    void acceptLoop();
    // One request and its answer; false when the connection is to close.
    bool serve(int socket);
    bool sendAll(int socket, const char* data, qsizetype size);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> keepAlive_{false};
    std::atomic<qint64> bodyBytesSent_{0};
    std::atomic<int> accepted_{0};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::thread> connections_;
    QMap<QByteArray, Response> routes_;
    QList<Request> requests_;
};
