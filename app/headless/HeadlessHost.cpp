#include "app/headless/HeadlessHost.h"

#include "app/shared/ExactJson.h"
#include "platform/AlertSound.h"
#include "platform/ContextMenu.h"
#include "platform/FileChooser.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>
#include <utility>

namespace {

QJsonValue colorName(const QColor& color) {
    if (color == QColor(Qt::blue)) return QStringLiteral("blue");
    return color.name(QColor::HexArgb);
}

} // namespace

JsonLine signAddedEvent(int id, const PNTickerSign& sign, bool withClient) {
    JsonLine line;
    line.add("event", "add").add("id", id);
    if (sign.isText()) {
        const PNAttributedString text = static_cast<const PNTextTickerSign&>(sign).text();
        // Run objects keep a fixed key order for readers that compare text.
        QByteArray runsJson = "[";
        for (const PNAttributedString::Run& run : text.runs()) {
            JsonLine r;
            r.add("start", run.start)
                .add("length", run.length)
                .add("font", run.font == PNAttributedString::Font::Small ? "small" : "standard");
            if (run.color) r.add("color", colorName(*run.color));
            if (run.underline) r.add("underline", *run.underline);
            if (runsJson.size() > 1) runsJson += ',';
            runsJson += r.text();
        }
        runsJson += ']';
        line.add("kind", "text").add("text", text.string()).addRaw("runs", runsJson);
    } else {
        const PNSize size = sign.size();
        line.add("kind", "image").add("width", double(size.width)).add("height", double(size.height));
    }
    line.add("actionType", int(sign.actionType()));
    if (sign.hasActionString()) line.add("actionString", sign.actionString());
    line.add("loopCount", sign.loopCount())
        .add("continuous", sign.continuousScrolling())
        .add("client", withClient);
    return line;
}

HeadlessHost::HeadlessHost(const HostOptions& options, SettingsFile& settings, PluginHost& plugins)
    : options_(options), settings_(settings), plugins_(plugins) {
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(100);
    connect(&saveTimer_, &QTimer::timeout, this, &HeadlessHost::saveSettings);
    installPlatformHooks();
    registerCoreCommands();
    registerMenuCommands(*this);
    registerPaneCommands(*this);
    registerSourceListCommands(*this);
}

HeadlessHost::~HeadlessHost() {
    platform::setLogListener(nullptr);
    platform::setBeepListener(nullptr);
    platform::setURLOpener(nullptr);
    platform::setContextMenuPresenter(nullptr);
}

void HeadlessHost::installPlatformHooks() {
    platform::setLogListener([](const QString& message) {
        events::print(JsonLine().add("event", "log").add("message", message));
    });
    platform::setBeepListener([] { events::print(JsonLine().add("event", "beep")); });
    // No dialog can be answered here: a pane button that asks for a file is cancelled.
    platform::setFileChooser([](platform::FileChoice, const QString&) { return std::optional<QString>(); });
    platform::setURLOpener([](const QUrl& url) {
        // Nothing is launched here: the answer says whether a desktop would take it.
        const QString scheme = url.scheme().toLower();
        const bool ok =
            url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                              scheme == QLatin1String("mailto"));
        events::print(
            JsonLine().add("event", "open").add("url", url.toString(QUrl::FullyEncoded)).add("ok", ok));
        return ok;
    });
}

LoadedPlugin* HeadlessHost::firstPlugin() const {
    const auto all = plugins_.plugins();
    return all.isEmpty() ? nullptr : all.first();
}

void HeadlessHost::start() {
    if (!settings_.existed()) saveSettings();
    startReadingCommands();
    for (LoadedPlugin* p : plugins_.plugins())
        p->plugin->activateWithServer(this);
    if (options_.once && !anyUpdateRunning()) quit(0);
}

QVariantMap* HeadlessHost::preferencesForIdentifier(const QString& identifier) {
    return &settings_.dictionaryFor(identifier);
}

void HeadlessHost::postSign(const PNSignRef& sign, PNPennantClientProtocol* client) {
    if (!sign) return;
    const int id = signs_.add(sign, client);
    events::print(signAddedEvent(id, *sign, client != nullptr));
}

void HeadlessHost::addSign(const PNSignRef& sign) {
    postSign(sign, nullptr);
}

void HeadlessHost::addSign(const PNSignRef& sign, PNPennantClientProtocol* client) {
    postSign(sign, client);
}

void HeadlessHost::removeSign(const PNSignRef& sign) {
    const int id = signs_.remove(sign);
    if (id) events::print(JsonLine().add("event", "remove").add("id", id));
}

QWidget* HeadlessHost::tickerView() {
    if (!view_) {
        view_ = std::make_unique<QWidget>();
        view_->resize(int(options_.viewWidth), int(options_.viewHeight));
    }
    return view_.get();
}

PNSize HeadlessHost::viewSize() {
    return PNSize{options_.viewWidth, options_.viewHeight};
}

void HeadlessHost::preferencesDidChange(const QString&) {
    // Coalesce bursts of changes into one write, on the main thread.
    QMetaObject::invokeMethod(
        this, [this] { saveTimer_.start(); }, Qt::QueuedConnection);
}

void HeadlessHost::pluginDidBecomeIdle(PNPennantPluginProtocol*) {
    events::print(JsonLine().add("event", "idle"));
    // May come from the update worker: posted by name, the call carries nothing
    // that thread made into Qt's queue.
    QMetaObject::invokeMethod(this, "onIdle", Qt::QueuedConnection);
}

bool HeadlessHost::anyUpdateRunning() const {
    for (LoadedPlugin* p : plugins_.plugins())
        if (p->activity && p->activity->updatesRunning()) return true;
    return false;
}

void HeadlessHost::onIdle() {
    if (anyUpdateRunning()) return;
    if (options_.once) return quit(0);
    if (!waitPending_) return;
    waitPending_ = false; // the idle line that answers it is already out
    // Commands that came after `wait` run now, in order, until one waits again.
    while (!waitPending_ && !heldCommands_.isEmpty())
        runCommand(heldCommands_.takeFirst());
    if (inputEnded_ && !waitPending_) quit(0);
}

void HeadlessHost::inputEnded() {
    inputEnded_ = true;
    // --once ends the host by itself; otherwise the end of the input is the last
    // command, run once what is held has run.
    if (!options_.once && !waitPending_) quit(0);
}

void HeadlessHost::saveSettings() {
    const QString problem = settings_.save();
    if (!problem.isEmpty()) std::cerr << "pennant: " << problem.toStdString() << std::endl;
}

void HeadlessHost::registerCommand(const QString& name, Command command) {
    commands_.insert(name, std::move(command));
}

void HeadlessHost::error(const QString& message) {
    events::print(JsonLine().add("event", "error").add("message", message));
}

void HeadlessHost::runCommand(const QString& rawLine) {
    if (quitting_) return;
    const QString line = rawLine.trimmed();
    if (line.isEmpty()) return;
    if (waitPending_) {
        heldCommands_.append(line);
        return;
    }
    const qsizetype space = line.indexOf(u' ');
    const QString word = space < 0 ? line : line.left(space);
    const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
    auto it = commands_.constFind(word);
    if (it == commands_.constEnd()) {
        error(QStringLiteral("unknown command: %1").arg(word));
        return;
    }
    const QStringList args = rest.split(u' ', Qt::SkipEmptyParts);
    it.value()(args, rest);
}

void HeadlessHost::registerCoreCommands() {
    registerCommand(QStringLiteral("wait"), [this](const QStringList& args, const QString&) {
        if (!args.isEmpty()) return error(QStringLiteral("wait takes no arguments"));
        if (anyUpdateRunning())
            waitPending_ = true;
        else
            events::print(JsonLine().add("event", "idle"));
    });
    registerCommand(QStringLiteral("settings"), [this](const QStringList& args, const QString&) {
        if (!args.isEmpty()) return error(QStringLiteral("settings takes no arguments"));
        LoadedPlugin* p = firstPlugin();
        const QVariantMap value = p ? settings_.dictionaryFor(p->bundle->bundleIdentifier()) : QVariantMap();
        // Numbers as the settings file holds them.
        events::print(JsonLine().add("event", "settings").addRaw("value", writeExactJson(value, false)));
    });
    registerCommand(QStringLiteral("activate"), [this](const QStringList& args, const QString&) {
        if (!args.isEmpty()) return error(QStringLiteral("activate takes no arguments"));
        for (LoadedPlugin* p : plugins_.plugins())
            p->plugin->activateWithServer(this);
    });
    registerCommand(QStringLiteral("deactivate"), [this](const QStringList& args, const QString&) {
        if (!args.isEmpty()) return error(QStringLiteral("deactivate takes no arguments"));
        for (LoadedPlugin* p : plugins_.plugins())
            p->plugin->deactivate();
    });
    registerCommand(QStringLiteral("status"), [this](const QStringList& args, const QString&) {
        if (!args.isEmpty()) return error(QStringLiteral("status takes no arguments"));
        printStatus();
    });
    registerCommand(QStringLiteral("refresh"), [this](const QStringList& args, const QString&) {
        if (!args.isEmpty()) return error(QStringLiteral("refresh takes no arguments"));
        for (LoadedPlugin* p : plugins_.plugins())
            if (p->status) p->status->refreshNow();
    });
    registerCommand(QStringLiteral("quit"), [this](const QStringList&, const QString&) { quit(0); });
}

void HeadlessHost::printStatus() {
    // Keys in a fixed order, for readers that compare text.
    QByteArray feeds = "[";
    bool first = true;
    for (LoadedPlugin* p : plugins_.plugins()) {
        if (!p->status) continue;
        for (const QVariant& entry : p->status->sourceStatus()) {
            const QVariantMap s = entry.toMap();
            JsonLine feed;
            feed.add("url", s.value(QStringLiteral("url")).toString())
                .add("state", s.value(QStringLiteral("state")).toString())
                .add("message", s.value(QStringLiteral("message")).toString())
                .add("items", s.value(QStringLiteral("items")).toInt())
                .add("title", s.value(QStringLiteral("title")).toString());
            for (const char* key : {"lastAttempt", "lastSuccess", "next"}) {
                const QVariant time = s.value(QLatin1String(key));
                feed.add(key, time.isNull() ? QJsonValue() : QJsonValue(time.toString()));
            }
            if (!first) feeds += ',';
            first = false;
            feeds += feed.text();
        }
    }
    feeds += ']';
    events::print(JsonLine().add("event", "status").addRaw("feeds", feeds));
}

void HeadlessHost::startReadingCommands() {
    // Read on the main thread as input comes, a line at a time in the order written.
    // No descriptor at all (stdin closed) is the end of the input.
    if (::fcntl(STDIN_FILENO, F_GETFD) < 0) return endOfInput();
    input_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(input_.get(), &QSocketNotifier::activated, this, &HeadlessHost::readInput);
}

void HeadlessHost::readInput() {
    // One read per wake-up: the notifier said it would not block, and stdin is
    // shared with whoever started us, so it is not made non-blocking.
    char chunk[65536];
    ssize_t got;
    do {
        got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (got <= 0) {
        // The last line may have no line break; it is still a command.
        if (!pendingInput_.isEmpty()) queueCommand(std::exchange(pendingInput_, {}));
        return endOfInput();
    }
    pendingInput_.append(chunk, got);
    qsizetype from = 0;
    for (qsizetype end; (end = pendingInput_.indexOf('\n', from)) >= 0; from = end + 1)
        queueCommand(pendingInput_.mid(from, end - from));
    pendingInput_.remove(0, from);
}

void HeadlessHost::queueCommand(const QByteArray& line) {
    // Each line on its own turn of the loop, so what a command queued (a save, an
    // idle host's next step) comes before the next command.
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromUtf8(line)] { runCommand(text); }, Qt::QueuedConnection);
}

void HeadlessHost::endOfInput() {
    input_.reset();
    // After every line, in the same queue.
    QMetaObject::invokeMethod(this, &HeadlessHost::inputEnded, Qt::QueuedConnection);
}

void HeadlessHost::quit(int code) {
    if (quitting_) return;
    quitting_ = true;
    if (paneShown) {
        // Leaving with the pane shown still stores its edits, without starting
        // every feed again on the way out.
        paneShown = false;
        for (LoadedPlugin* p : plugins_.plugins())
            p->plugin->deactivate();
        if (LoadedPlugin* p = firstPlugin(); p && p->pane) p->pane->willUnselect();
    }
    // Queued, so a quit decided before the event loop runs still takes effect.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}
