#include "tests/support/PluginFixture.h"

#include "platform/AlertSound.h"
#include "platform/ContextMenu.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

PlatformRecorder::PlatformRecorder() {
    platform::setLogListener([this](const QString& line) {
        std::lock_guard guard(mutex_);
        lines_.append(line);
    });
    platform::setBeepListener([this] { ++beeps_; });
    platform::setURLOpener([this](const QUrl& url) {
        {
            std::lock_guard guard(mutex_);
            opened_.append(url.toString(QUrl::FullyEncoded));
        }
        return opener(url);
    });
    platform::setContextMenuPresenter([](QMenu*, QWidget*) {});
}

PlatformRecorder::~PlatformRecorder() {
    platform::setLogListener(nullptr);
    platform::setBeepListener(nullptr);
    platform::setURLOpener(nullptr);
    platform::setContextMenuPresenter(nullptr);
}

namespace {
// A list of its own, not one sharing the recorder's: the caller drops its copy
// without the lock while the worker appends, and Qt's check of whether a list is
// shared is not one ThreadSanitizer can see ordered.
QStringList unshared(const QStringList& list) {
    return QStringList(list.cbegin(), list.cend());
}
} // namespace

QStringList PlatformRecorder::logLines() const {
    std::lock_guard guard(mutex_);
    return unshared(lines_);
}

QStringList PlatformRecorder::openedURLs() const {
    std::lock_guard guard(mutex_);
    return unshared(opened_);
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void PluginTest::SetUp() {
    recorder = std::make_unique<PlatformRecorder>();
}

void PluginTest::TearDown() {
    if (plugin) {
        plugin->deactivate();
        plugin.reset();
    }
    recorder.reset();
}

NewsreelPlugin& PluginTest::makePlugin() {
    plugin = std::make_unique<NewsreelPlugin>();
    plugin->initWithBundle(std::make_shared<platform::Bundle>(QStringLiteral(TEST_BUNDLE_DIR),
                                                              QStringLiteral("org.pennant.newsreel")));
    return *plugin;
}

NewsreelPlugin& PluginTest::setUpPlugin() {
    makePlugin();
    plugin->setupWithServer(&server);
    return *plugin;
}

bool PluginTest::waitForUpdates(int timeoutMs) {
    return waitUntil(
        [this] { return !plugin->updatesRunning() && !plugin->feedUpdater().updateLock().isHeld(); },
        timeoutMs);
}

QVariantMap PluginTest::record(const QString& url, QVariant interval, QVariant enabled) {
    QVariantMap r{{QStringLiteral("url"), url}};
    if (interval.isValid()) r.insert(QStringLiteral("interval"), interval);
    if (enabled.isValid()) r.insert(QStringLiteral("enabled"), enabled);
    return r;
}
