#include "plugin/NewsreelPlugin.h"

#include "core/SettingsKeys.h"
#include "platform/Values.h"

#include <QCoreApplication>

namespace {

// Localizable.json's texts, for the translation catalogues.
[[maybe_unused]] const char* const kStringTableTexts[] = {QT_TRANSLATE_NOOP(
    "Localizable",
    "Newsreel shows the items of your RSS feeds on the ticker. Click an item for its details and commands.")};

} // namespace

NewsreelPlugin::NewsreelPlugin(QObject* parent)
    : QObject(parent), schedule_([this](const QString& feedURL) { tick(feedURL); }),
      applier_(store_, preferences_, updater_.fetchCache(), this),
      status_(store_, applier_.statusBoard(), schedule_, [this] { return updater_.updatingFeed(); }),
      transfer_(store_, schedule_, preferences_, [this] { return status_.sourceStatus(); }),
      menu_(store_, schedule_, preferences_, [this] { return myBundle_; }),
      pane_(store_, preferences_, status_, [this] { return myBundle_; },
            {[this](const QString& path, bool* ok) { return importSources(path, nullptr, ok); },
             [this](const QString& path, bool* ok) { return exportSources(path, nullptr, ok); }}) {
    // The host's notice on an empty strip follows the list (the last feed gone).
    menu_.commands().setListDidChange([this] { statusDidChange(); });
    // The host hears of idleness on the main thread, after the last update's
    // result was applied there.
    queue_.setIdleHandler([this] {
        ++undelivered_;
        mainThread_.post([this] {
            --undelivered_;
            // The worker may catch up with a long list's firings between two turns,
            // and the next turn's firings may have set it working again before this
            // report arrives: idle is told once nothing is left, and then only once.
            if (!updatesRunning()) reportIdle();
        });
    });
    schedule_.setPendingFiringsDone([this] {
        // Those firings may have handed nothing over (their feeds waiting already).
        if (!updatesRunning()) reportIdle();
    });
}

NewsreelPlugin::~NewsreelPlugin() {
    // The running update gives up its fetch at once; the ones waiting never start.
    updater_.cancel();
    queue_.shutdown();
    schedule_.stop();
}

NewsreelPlugin* NewsreelPlugin::initWithBundle(std::shared_ptr<platform::Bundle> bundle) {
    setMyBundle(std::move(bundle));
    return this;
}

void NewsreelPlugin::setupWithServer(PNTickerServer* server) {
    const QString identifier = myBundle_ ? myBundle_->bundleIdentifier() : QString();
    preferences_.setServer(server);
    preferences_.setIdentifier(identifier);
    preferences_.setDefaults(server->preferencesForIdentifier(identifier));
    preferences_.presetDefaults();
    store_.load(preferences_.value(settingkeys::kFeeds), preferences_.value(settingkeys::kHiddenItems));
    preferences_.setUseTTL(platform::boolValue(preferences_.value(settingkeys::kUseTTL)));
    preferences_.setTitleLength(platform::intValue(preferences_.value(settingkeys::kTitleLength)));
}

void NewsreelPlugin::activateWithServer(PNTickerServer* server) {
    setupWithServer(server);
    activate();
}

void NewsreelPlugin::activate() {
    active_ = true;
    schedule_.start(store_.records());
}

void NewsreelPlugin::deactivate() {
    active_ = false;
    // Updates that have not begun never will: they would post signs that nothing
    // takes off while the plug-in is off. The running one stops at its next piece
    // of the document, and whatever it hands back belongs to this activation:
    // applied later, it shows nothing.
    ++activation_;
    queue_.dropWaiting();
    updater_.stopRunningUpdate();
    const QList<PNSignRef> signs = store_.takeShownSigns();
    if (PNTickerServer* s = preferences_.server())
        for (const PNSignRef& sign : signs)
            s->removeSign(sign);
    schedule_.stop();
}

void NewsreelPlugin::tick(const QString& feedURL) {
    // The main thread only hands the update over: updates run one at a time, in
    // the order their timers fired, on the queue's worker. A feed waits there
    // once: a refresh while it waits already would only fetch it twice.
    const quint64 activation = activation_.load();
    auto request = std::make_shared<const UpdateRequest>(applier_.request(feedURL, activation));
    queue_.enqueue(feedURL, [this, request] {
        updater_.beginUpdate();
        if (activation_.load() != request->activation) return;
        updater_.updateLock().lock();
        mainThread_.post([this] { statusDidChange(); }); // now updating
        const auto handOver = [this](std::function<void()> work) {
            ++undelivered_;
            mainThread_.post([this, work = std::move(work)] {
                work();
                --undelivered_;
            });
        };
        auto result =
            std::make_shared<UpdateResult>(updater_.updateFeed(*request, [&](AddressChange&& change) {
                auto moved = std::make_shared<AddressChange>(std::move(change));
                handOver([this, moved] { applyAddressChange(std::move(*moved)); });
            }));
        handOver([this, result] { applyUpdate(std::move(*result)); });
    });
}

void NewsreelPlugin::applyAddressChange(AddressChange&& change) {
    applyChanges(applier_.apply(std::move(change)));
}

void NewsreelPlugin::applyUpdate(UpdateResult&& result) {
    const bool current = result.activation == activation_.load();
    applyChanges(applier_.apply(std::move(result), current));
}

void NewsreelPlugin::applyChanges(const UpdateApplier::Changes& changes) {
    if (changes.feeds) store_.feedsDidChange(preferences_);
    if (changes.addresses) feedAddressesDidChange();
    statusDidChange();
}

void NewsreelPlugin::runUpdateNow(const QString& feedURL) {
    const UpdateRequest request = applier_.request(feedURL, activation_.load());
    updater_.beginUpdate();
    updater_.updateLock().lock();
    applyUpdate(updater_.updateFeed(
        request, [this](AddressChange&& change) { applyAddressChange(std::move(change)); }));
}

void NewsreelPlugin::reportIdle() {
    if (PNTickerServer* s = preferences_.server()) s->pluginDidBecomeIdle(this);
}

QString NewsreelPlugin::importSources(const QString& path, QVariantMap* settings, bool* ok) {
    const QString report = transfer_.importSources(path, settings, ok);
    if (!settings) pane_.reloadTable();
    return report;
}

QString NewsreelPlugin::exportSources(const QString& path, const QVariantMap* settings, bool* ok) {
    return transfer_.exportSources(path, settings, ok);
}

QString NewsreelPlugin::userInfo() const {
    if (!myBundle_) return {};
    // A missing key gives the key itself back, as the string table lookup does.
    // The table's text is translated through the bundle's catalogues, which know it
    // from kStringTableTexts.
    return QCoreApplication::translate(
        "Localizable", myBundle_->localizedStringForKey(QStringLiteral("userInfo"), QString()).toUtf8());
}

void NewsreelPlugin::willSelect() {
    if (active_) {
        deactivate();
        active_ = true;
    }
    pane_.setFeedsHeldForPane(active_);
    pane_.willSelect();
}

void NewsreelPlugin::willUnselect() {
    store_.storeFeeds(preferences_);
    pane_.setFeedsHeldForPane(false);
    if (active_) activate();
}

void NewsreelPlugin::statusDidChange() {
    if (PNTickerServer* s = preferences_.server()) s->sourceStatusDidChange(this);
    pane_.feedTableStatusDidChange();
}

void NewsreelPlugin::feedAddressesDidChange() {
    const QList<QPair<QString, QString>> moved = store_.takeMovedAddresses();
    if (moved.isEmpty()) return;
    // A page's timer goes on with its feed's URL, at the same pace; it does not
    // fire now, the feed having just been read.
    bool hidden = false;
    for (const auto& [from, to] : moved) {
        schedule_.rename(from, to);
        hidden = hidden || store_.hasHiddenItems(to);
    }
    store_.storeFeeds(preferences_);
    if (hidden) store_.storeHiddenItems(preferences_); // the hidden items moved with the URL
    pane_.reloadTable();
}
