#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

// What the plug-in remembers between fetches of one URL, for its life: the
// validators of the last document that parsed (its parsed form is kept by the
// plug-in, so an unchanged document needs no body), the decoded channel images
// with their validators, within a bound of bytes, and how long a server asked us
// to stay away.
// Guarded by its own mutex, which is never held across a fetch.
class FetchCache {
  public:
    using Clock = std::chrono::steady_clock;

    struct Validators {
        QByteArray etag;
        QByteArray lastModified;
        bool isEmpty() const { return etag.isEmpty() && lastModified.isEmpty(); }
    };
    struct Picture {
        Validators validators;
        QImage image;
    };

    std::optional<Validators> document(const QString& url) const;
    // Kept only when the server gave a validator to revalidate with.
    void rememberDocument(const QString& url, Validators validators);
    void forgetDocument(const QString& url);

    std::optional<Picture> picture(const QString& url) const;
    // Images beyond the byte bound push out the ones used least recently.
    void rememberPicture(const QString& url, Picture picture);
    void forgetPicture(const QString& url);
    // Notes which image a feed now shows; the one it showed before, if another,
    // is forgotten (a feed whose logo address changes at every update would
    // otherwise fill the cache).
    void notePictureOfFeed(const QString& feedURL, const QString& pictureURL);
    qint64 pictureBytes() const;
    static constexpr qint64 kMaxPictureBytes = qint64(32) << 20;

    // When a fetch of url may be sent again; nothing when it may be sent now.
    std::optional<QDateTime> deferredUntil(const QString& url) const { return deferredUntil(url, clock_()); }
    std::optional<QDateTime> deferredUntil(const QString& url, Clock::time_point now) const;
    void deferUntil(const QString& url, Clock::time_point until, const QDateTime& wallClockUntil);
    // Applies a 429 or 503 answer's Retry-After header, when it has a usable one.
    // Returns whether the URL is now deferred.
    bool deferFromRetryAfter(const QString& url, const QByteArray& retryAfter);

    // The delay a Retry-After value names (delta-seconds or an HTTP date), from
    // now, bounded to a day so that no answer silences a feed for good. Nothing
    // for a value that is neither.
    static std::optional<std::chrono::seconds> retryAfterDelay(const QByteArray& value, const QDateTime& now);
    static constexpr std::chrono::seconds kLongestDeferral{24 * 60 * 60};

    // What deferrals are measured against; tests move it instead of waiting. Set
    // before any update runs: the clock itself is not guarded.
    void setClock(std::function<Clock::time_point()> clock) { clock_ = std::move(clock); }

  private:
    std::function<Clock::time_point()> clock_ = [] { return Clock::now(); };
    struct Deferral {
        Clock::time_point until;
        QDateTime wallClockUntil; // for the log line
    };
    mutable std::mutex mutex_;
    QHash<QString, Validators> documents_;
    QHash<QString, Picture> pictures_;
    QStringList pictureUse_; // least recently used first
    QHash<QString, QString> feedPictures_;
    qint64 pictureBytes_ = 0;
    QHash<QString, Deferral> deferrals_;
};
