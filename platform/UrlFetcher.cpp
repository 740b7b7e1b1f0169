#include "platform/UrlFetcher.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform {

namespace {

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    CURL* handle = nullptr;
    const UrlFetcher::Receiver* receiver = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    std::size_t maxBytes = 0;
    std::size_t received = 0;
    bool tooLarge = false;
    bool stoppedByReceiver = false;
    bool errorStatus = false;
    const std::function<void(const QByteArray&)>* contentType = nullptr;
};

struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

void appendHeader(HeaderList& list, const QByteArray& line) {
    if (curl_slist* grown = curl_slist_append(list.get(), line.constData())) {
        (void)list.release();
        list.reset(grown);
    }
}

// The value of a header of the final answer (after redirects).
QByteArray responseHeader(CURL* handle, const char* name) {
    curl_header* header = nullptr;
    if (curl_easy_header(handle, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK || !header) return {};
    return QByteArray(header->value).trimmed();
}

size_t writeBody(char* data, size_t, size_t size, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    // An error answer's body is never a document: stop before handing any on.
    // (Checked here rather than with CURLOPT_FAILONERROR, so that the answer's
    // headers, Retry-After among them, are complete and readable.)
    long status = 0;
    curl_easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) {
        transfer->errorStatus = true;
        return 0;
    }
    // Counted after decoding: a small compressed body may unpack to any size.
    if (size > transfer->maxBytes - transfer->received) {
        transfer->tooLarge = true;
        return 0;
    }
    if (transfer->contentType && *transfer->contentType) {
        const char* type = nullptr;
        curl_easy_getinfo(transfer->handle, CURLINFO_CONTENT_TYPE, &type);
        (*transfer->contentType)(QByteArray(type ? type : ""));
        transfer->contentType = nullptr;
    }
    transfer->received += size;
    if (!(*transfer->receiver)(data, size)) {
        transfer->stoppedByReceiver = true;
        return 0;
    }
    return size;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    return transfer->cancel && transfer->cancel->load() ? 1 : 0;
}

QString protocolList(const QStringList& schemes) {
    return schemes.join(u',');
}

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// Files the kernel makes up as they are read: endless, blocking or changing.
bool isPseudoFileSystem(int fd) {
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0) return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
        return true;
    default:
        return false;
    }
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// A local file is read here rather than by libcurl, and only when it is a
// regular file: a pipe, a device or a /proc file can block a read for ever or
// never end, where no time-out reaches. Opening does not wait for a pipe's
// writer, and the checks are made on the very file that is then read.
FetchResult UrlFetcher::readLocalFile(const QUrl& url, const Receiver& receiver) {
    FetchResult result;
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
        result.reason = QStringLiteral("a file on another host");
        return result;
    }
    const QByteArray path = QFile::encodeName(url.toLocalFile());
    const FileCloser file{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) {
        result.reason = systemError(errno);
        return result;
    }
    struct stat status {};
    if (fstat(file.fd, &status) != 0) {
        result.reason = systemError(errno);
        return result;
    }
    if (!S_ISREG(status.st_mode) || isPseudoFileSystem(file.fd)) {
        result.reason = QStringLiteral("not a regular file");
        return result;
    }
    const auto tooLarge = [&] {
        result.reason = QStringLiteral("larger than %1 bytes").arg(qulonglong(limits_.maxBytes));
        return result;
    };
    if (std::uint64_t(status.st_size) > limits_.maxBytes) return tooLarge();
    if (contentType_) contentType_(QByteArray());
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    std::size_t received = 0;
    for (;;) {
        if (cancel_ && cancel_->load()) {
            result.reason = QStringLiteral("cancelled");
            return result;
        }
        const ssize_t got = ::read(file.fd, buffer.data(), std::size_t(buffer.size()));
        if (got < 0) {
            if (errno == EINTR) continue;
            result.reason = systemError(errno);
            return result;
        }
        if (got == 0) break;
        // The file may have grown since it was measured.
        if (std::size_t(got) > limits_.maxBytes - received) return tooLarge();
        received += std::size_t(got);
        if (!receiver(buffer.constData(), std::size_t(got))) {
            result.outcome = FetchResult::StoppedByReceiver;
            return result;
        }
    }
    result.outcome = FetchResult::Complete;
    return result;
}

UrlFetcher::UrlFetcher(FetchLimits limits) : limits_(limits) {
    initialiseCurl();
}

FetchSession::FetchSession() {
    initialiseCurl();
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
}

FetchSession::~FetchSession() {
    if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
    if (easy_) curl_easy_cleanup(static_cast<CURL*>(easy_));
}

namespace {

// curl_easy_perform hears a cancel only at its progress callback, about once a
// second on a stalled connection; the multi interface's poll wakes every
// kCancelPollMs, so quitting never waits on a silent server.
constexpr int kCancelPollMs = 50;

CURLcode perform(CURL* easy, CURLM* multi, const std::atomic<bool>* cancel) {
    if (!multi) return curl_easy_perform(easy);
    curl_multi_add_handle(multi, easy);
    CURLcode code = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        bool done = false;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                code = message->data.result;
                done = true;
            }
        if (done) break;
        if (cancel && cancel->load()) {
            code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kCancelPollMs, nullptr) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
    }
    // The connection stays in the multi handle's pool for the next fetch.
    curl_multi_remove_handle(multi, easy);
    return code;
}

} // namespace

QString UrlFetcher::userAgent() {
    return QStringLiteral("Newsreel/%1 (Pennant plug-in)").arg(QStringLiteral(NEWSREEL_VERSION));
}

FetchResult UrlFetcher::fetch(const QUrl& url, const Receiver& receiver) {
    FetchResult result;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || !schemes_.contains(scheme)) {
        result.reason = QStringLiteral("unsupported URL");
        return result;
    }
    if (scheme == QLatin1String("file")) return readLocalFile(url, receiver);
    std::optional<FetchSession> ownSession;
    FetchSession* session = session_;
    if (!session) session = &ownSession.emplace();
    CURL* h = static_cast<CURL*>(session->easy());
    if (!h) {
        result.reason = QStringLiteral("cannot start a transfer");
        return result;
    }
    // Nothing of the last fetch's options (its headers, validators, buffers) carries over.
    curl_easy_reset(h);
    // Whatever way this fetch ends, the handle keeps no pointer into it.
    struct ResetAfter {
        CURL* handle;
        ~ResetAfter() { curl_easy_reset(handle); }
    } resetAfter{h};
    Transfer transfer;
    transfer.handle = h;
    transfer.receiver = &receiver;
    transfer.cancel = cancel_;
    transfer.maxBytes = limits_.maxBytes;
    transfer.contentType = &contentType_;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray address = url.toEncoded();
    const QByteArray protocols = protocolList(schemes_).toLatin1();
    const QByteArray agent = userAgent().toUtf8();

    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols.constData());
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, limits_.maxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, limits_.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, limits_.totalTimeoutMs);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits_.lowSpeedBytesPerSecond);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits_.lowSpeedSeconds);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    HeaderList conditions;
    if (!etag_.isEmpty()) appendHeader(conditions, "If-None-Match: " + etag_);
    if (!lastModified_.isEmpty()) appendHeader(conditions, "If-Modified-Since: " + lastModified_);
    if (conditions) curl_easy_setopt(h, CURLOPT_HTTPHEADER, conditions.get());
    curl_easy_setopt(h, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode code = perform(h, static_cast<CURLM*>(session->multi()), cancel_);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    result.etag = responseHeader(h, "ETag");
    result.lastModified = responseHeader(h, "Last-Modified");
    result.retryAfter = responseHeader(h, "Retry-After");
    if (code == CURLE_OK && result.httpStatus == 304 && conditions) {
        result.outcome = FetchResult::NotModified;
        return result;
    }
    // An error answer, or a 304 that nothing asked for, brings no document.
    if ((code == CURLE_OK || transfer.errorStatus) &&
        (result.httpStatus >= 400 || result.httpStatus == 304)) {
        result.reason = QStringLiteral("HTTP %1").arg(result.httpStatus);
        return result;
    }
    if (code == CURLE_OK) {
        result.outcome = FetchResult::Complete;
        return result;
    }
    if (transfer.stoppedByReceiver) {
        result.outcome = FetchResult::StoppedByReceiver;
        return result;
    }
    result.tlsHandshakeFailed = code == CURLE_SSL_CONNECT_ERROR;
    if (transfer.tooLarge)
        result.reason = QStringLiteral("larger than %1 bytes").arg(qulonglong(limits_.maxBytes));
    else if (code == CURLE_ABORTED_BY_CALLBACK)
        result.reason = QStringLiteral("cancelled");
    else if (errorBuffer[0])
        result.reason = QString::fromUtf8(errorBuffer).trimmed();
    else
        result.reason = QString::fromUtf8(curl_easy_strerror(code));
    return result;
}

std::optional<QByteArray> UrlFetcher::fetchAll(const QUrl& url, FetchResult* result) {
    QByteArray body;
    const FetchResult r = fetch(url, [&body](const char* data, std::size_t size) {
        body.append(data, qsizetype(size));
        return true;
    });
    if (result) *result = r;
    if (!r.ok()) return std::nullopt;
    return body;
}

} // namespace platform
