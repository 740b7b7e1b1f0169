#pragma once
#include "plugin/NewsreelPlugin.h"
#include "tests/support/RecordingServer.h"

#include <QStringList>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <ostream>

// Readable failure messages for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral("\", \"")).prepend('"').append('"').toStdString() << ']';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << v.typeName() << '(' << v.toString().toStdString() << ')';
}

// Captures system-log lines and beeps while it lives.
class PlatformRecorder {
  public:
    PlatformRecorder();
    ~PlatformRecorder();
    QStringList logLines() const;
    int beeps() const { return beeps_.load(); }
    QStringList openedURLs() const;
    // What the opener answers (true: a handler took the URL).
    std::function<bool(const QUrl&)> opener = [](const QUrl&) { return true; };

  private:
    mutable std::mutex mutex_;
    QStringList lines_;
    QStringList opened_;
    std::atomic<int> beeps_{0};
};

// Spins the event loop until the condition holds or the time runs out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// A plug-in made with the built bundle, set up against a recording server.
class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the plug-in (initWithBundle) without setting it up.
    NewsreelPlugin& makePlugin();
    // Creates it and runs the set-up with server's settings.
    NewsreelPlugin& setUpPlugin();
    // Waits until no update runs and the update lock is free.
    bool waitForUpdates(int timeoutMs = 10000);

    FeedStore& store() { return plugin->feedStore(); }
    // The feed's entry shows signs, as after an update of the listed feed.
    bool publishSigns(const QString& url, const QList<PNSignRef>& signs) {
        store().prepareEntry(url, nullptr);
        FeedDictionary shown;
        shown.tickers = signs;
        return store().publish(url, std::move(shown), true, nullptr);
    }
    const std::optional<FeedSchedule::Timers>& timers() { return plugin->feedSchedule().timers(); }

    // Drops what was recorded so far.
    void restartRecorder() {
        recorder.reset();
        recorder = std::make_unique<PlatformRecorder>();
    }

    static QVariantMap record(const QString& url, QVariant interval, QVariant enabled);

    RecordingServer server;
    std::unique_ptr<PlatformRecorder> recorder;
    std::unique_ptr<NewsreelPlugin> plugin;
};
