#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>

namespace platform {

// The bounds of one fetch. The defaults are what a feed update uses; tests pass
// small ones.
struct FetchLimits {
    long connectTimeoutMs = 10'000;
    long totalTimeoutMs = 30'000;
    long lowSpeedBytesPerSecond = 1; // below this rate for lowSpeedSeconds: give up
    long lowSpeedSeconds = 15;
    long maxRedirects = 5;
    std::size_t maxBytes = std::size_t(16) << 20; // decoded bytes handed on
};

struct FetchResult {
    // NotModified: a 304 answer to a conditional request; no body came.
    enum Outcome { Complete, Failed, StoppedByReceiver, NotModified };
    Outcome outcome = Failed;
    long httpStatus = 0; // 0 when the scheme has none
    QString reason;      // why it failed, readable
    // Headers of the final answer, as sent; empty when absent.
    QByteArray etag;
    QByteArray lastModified;
    QByteArray retryAfter;
    // The TLS handshake failed: the server may speak plain http on that port.
    bool tlsHandshakeFailed = false;
    bool ok() const { return outcome == Complete; }
};

// The libcurl handles one worker fetches with, kept for its life: every fetch
// starts from a reset easy handle, and the multi handle that drives it keeps the
// open connections, so feeds (and their images) on one server reuse one
// connection instead of a new one, with a new TLS handshake, each time. One
// thread at a time.
class FetchSession {
  public:
    FetchSession();
    ~FetchSession();
    FetchSession(const FetchSession&) = delete;
    FetchSession& operator=(const FetchSession&) = delete;

    // The handles, as libcurl's CURL* and CURLM*; null when libcurl had none to give.
    void* easy() const { return easy_; }
    void* multi() const { return multi_; }

  private:
    void* easy_ = nullptr;
    void* multi_ = nullptr;
};

// One fetch at a time over libcurl, streaming the decoded body to a receiver as it
// arrives. Redirects are followed to http and https only.
class UrlFetcher {
  public:
    // Return false to stop the transfer.
    using Receiver = std::function<bool(const char* data, std::size_t size)>;

    explicit UrlFetcher(FetchLimits limits = {});

    // Schemes the first URL may have (lower case); "http" and "https" by default.
    void setAllowedSchemes(QStringList schemes) { schemes_ = std::move(schemes); }
    // The handles to fetch with; without a session a fetch makes its own and
    // closes its connection when it ends.
    void setSession(FetchSession* session) { session_ = session; }
    // While the flag is true the fetch gives up as soon as it can.
    void setCancelFlag(const std::atomic<bool>* flag) { cancel_ = flag; }
    // Makes the request conditional (If-None-Match, If-Modified-Since) on what an
    // earlier answer said; empty values send nothing.
    void setValidators(QByteArray etag, QByteArray lastModified) {
        etag_ = std::move(etag);
        lastModified_ = std::move(lastModified);
    }
    // Hears the final response's Content-Type (empty when it has none) once,
    // before its first body bytes reach the receiver.
    void setContentTypeReceiver(std::function<void(const QByteArray&)> receiver) {
        contentType_ = std::move(receiver);
    }

    FetchResult fetch(const QUrl& url, const Receiver& receiver);
    // The whole body, within the limits; nothing when the fetch failed.
    std::optional<QByteArray> fetchAll(const QUrl& url, FetchResult* result = nullptr);

    static QString userAgent();

  private:
    FetchResult readLocalFile(const QUrl& url, const Receiver& receiver);

    FetchLimits limits_;
    QStringList schemes_{QStringLiteral("http"), QStringLiteral("https")};
    const std::atomic<bool>* cancel_ = nullptr;
    FetchSession* session_ = nullptr;
    QByteArray etag_;
    QByteArray lastModified_;
    std::function<void(const QByteArray&)> contentType_;
};

} // namespace platform
