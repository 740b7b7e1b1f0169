#pragma once
// The Newsreel plug-in: the one object the Pennant host sees. Each of its
// methods hands the work to one of the owners below it.
#include "core/FeedSchedule.h"
#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "core/SourceStatusReport.h"
#include "core/UpdateQueue.h"
#include "feeds/FeedListTransfer.h"
#include "feeds/FeedUpdater.h"
#include "feeds/UpdateApplier.h"
#include "host/PNProtocols.h"
#include "menu/InfoMenuController.h"
#include "platform/Bundle.h"
#include "platform/MainThreadMailbox.h"
#include "prefs/PaneController.h"

#include <QObject>
#include <atomic>
#include <memory>

class NewsreelPlugin : public QObject,
                       public PNPennantPluginProtocol,
                       public PNPennantClientProtocol,
                       public PNActionLinkOpener,
                       public PNPrefPaneProtocol,
                       public PNUpdateActivity,
                       public PNSourceStatus,
                       public PNSourceListTransfer {
    Q_OBJECT
  public:
    explicit NewsreelPlugin(QObject* parent = nullptr);
    ~NewsreelPlugin() override;

    // ---- Plug-in object and settings ----
    NewsreelPlugin* initWithBundle(std::shared_ptr<platform::Bundle> bundle) override;
    void setMyBundle(std::shared_ptr<platform::Bundle> bundle) { myBundle_ = std::move(bundle); }
    // Reads the settings the host keeps for the plug-in into the working list.
    void setupWithServer(PNTickerServer* server);

    // ---- Activation and deactivation ----
    void activateWithServer(PNTickerServer* server) override;
    void activate();
    void deactivate() override;
    // Until the last result is applied and idleness reported, on the main thread.
    // The queue is asked first: its idle report is counted as undelivered before
    // the queue stops being busy.
    bool updatesRunning() const override {
        return queue_.busy() || undelivered_.load() > 0 || schedule_.firingsPending();
    }

    // ---- Feed status ----
    QVariantList sourceStatus() const override { return status_.sourceStatus(); }
    void refreshNow() override { schedule_.fireAll(); }

    // ---- Feed list to and from OPML files ----
    QString importSources(const QString& path, QVariantMap* settings, bool* ok) override;
    QString exportSources(const QString& path, const QVariantMap* settings, bool* ok) override;

    // ---- Sign interaction ----
    void performAction(const QString& action) override { menu_.performAction(action); }
    bool openLinkForAction(const QString& action) override { return menu_.openItemLink(action); }

    // ---- Preferences pane ----
    bool hasPrefsPane() const override { return true; }
    QString identifier() const override { return {}; }
    QString label() const override { return {}; }
    QIcon icon() const override { return {}; }
    QString category() const override { return {}; }
    QString version() const override { return {}; }
    std::shared_ptr<platform::Bundle> bundle() const override { return myBundle_; }
    // The pane is loaded the first time it is asked for.
    QWidget* mainView() const override { return pane_.mainView(); }
    void loadMainView() override { pane_.load(); }
    QString userInfo() const override;
    void willSelect() override;
    void willUnselect() override;

    // ---- The owners, for tests and tools that drive one piece through the plug-in ----
    FeedStore& feedStore() { return store_; }
    FeedSchedule& feedSchedule() { return schedule_; }
    PluginPreferences& preferences() { return preferences_; }
    FeedUpdater& feedUpdater() { return updater_; }
    // One whole update of the feed on this thread, then its result applied, as
    // the queue's job and the main thread do it between them.
    void runUpdateNow(const QString& feedURL);
    // The hand-over of results to the main thread.
    platform::MainThreadMailbox& mainThread() { return mainThread_; }
    InfoMenuController& infoMenu() { return menu_; }
    PaneController& pane() { return pane_; }
    bool isActive() const { return active_; }

  private:
    void tick(const QString& feedURL);
    // Main thread: what an update found, and what follows from it.
    void applyAddressChange(AddressChange&& change);
    void applyUpdate(UpdateResult&& result);
    void applyChanges(const UpdateApplier::Changes& changes);
    void reportIdle();
    void statusDidChange();
    void feedAddressesDidChange();

    std::shared_ptr<platform::Bundle> myBundle_;
    bool active_ = false;
    // Counts deactivations: an update asked for before the latest one is not run.
    std::atomic<quint64> activation_{0};
    PluginPreferences preferences_;
    FeedStore store_;
    // The one way from the update worker to the main thread: results, and the
    // notices that an update began and that all have ended.
    platform::MainThreadMailbox mainThread_;
    FeedSchedule schedule_;
    FeedUpdater updater_;
    UpdateApplier applier_;
    // Results and idle reports handed to the main thread and not yet delivered.
    std::atomic<int> undelivered_{0};
    SourceStatusReport status_;
    FeedListTransfer transfer_;
    InfoMenuController menu_;
    mutable PaneController pane_;
    // Declared last: it is stopped and joined first, while everything its
    // updates touch still exists.
    UpdateQueue queue_;
};
