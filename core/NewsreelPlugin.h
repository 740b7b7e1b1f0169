#pragma once
// The Newsreel plug-in: the one object the Pennant host sees.
#include "core/FeedDictionary.h"
#include "core/FeedStatus.h"
#include "core/UpdateQueue.h"
#include "feeds/FetchCache.h"
#include "host/PNProtocols.h"
#include "platform/Bundle.h"
#include "platform/MainThreadMailbox.h"
#include "platform/Timer.h"
#include "platform/UpdateLock.h"
#include "platform/UrlFetcher.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableView;
class QTextBrowser;
class FeedTableModel;
class UpdateLockGuard;

class NewsreelPlugin : public QObject,
                       public PNPennantPluginProtocol,
                       public PNPennantClientProtocol,
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
    void setMyBundle(std::shared_ptr<platform::Bundle> bundle) { myBundle = std::move(bundle); }
    void setServer(PNTickerServer* newServer) { server = newServer; }
    void setDefaults(QVariantMap* settings);
    void setUseTTL(bool value);
    void setTitleLength(int value);
    void setupWithServer(PNTickerServer* server);
    void presetDefaults();
    void loadMainView() override;

    // ---- Activation, feed timers and deactivation ----
    void activateWithServer(PNTickerServer* server) override;
    void activate();
    void deactivate() override;
    void tick(platform::Timer& timer);
    // Seconds between two updates of a record: "interval" minutes × 60; one
    // minute when the interval is absent, not positive or not a number.
    static double timerPeriodForInterval(double minutes);
    static constexpr double kMinimumTimerPeriod = 60.0;
    // Whether an update runs or waits in the queue.
    bool updatesRunning() const override { return updateQueue.busy(); }

    // ---- Feed status ----
    QVariantList sourceStatus() const override;
    void refreshNow() override;

    // ---- Feed list to and from OPML files ----
    QString importSources(const QString& path, QVariantMap* settings, bool* ok) override;
    QString exportSources(const QString& path, const QVariantMap* settings, bool* ok) override;
    // The status map of the feed in row `row` of the working list.
    QVariantMap sourceStatusOfRow(int row) const;

    // ---- Feed update worker and sign builder (worker thread) ----
    // One whole update of a feed on the calling thread, holding the update lock,
    // which it gives back.
    void updateFeed(const QString& feedURL);
    // The sign builder, for a complete document: adopts the time-to-live, makes
    // the image and item signs and swaps them for the feed's earlier ones (with
    // keepDictionary, only the signs are made again, from the kept dictionary).
    // Returns the number of item signs shown, or -1 when the feed left the list.
    int parserDidEndDocument(const QString& feedURL, FeedDictionary&& parsed, bool keepDictionary);

    // ---- Sign interaction (main thread) ----
    void performAction(const QString& action) override;
    bool updateMenuItem(QAction* item, QMenu* fromMenu, int atIndex, const QVariantMap& usingDictionary,
                        const QString& withKey, const QString* updatingTitleWithPrefix);
    void showDescription(const QString& html, const QString& label);
    // The feed-list commands of the information menu, with the context they resolved.
    void dontShowAgain(const QString& feedURL, int index, const QVariantMap& item);
    void setUpdateIntervalTo(const QString& feedURL, const QString& ttl);
    void unsubscribeFromFeed(const QString& feedURL);
    void subscribeToSource(const QString& sourceURL);

    // ---- Preferences pane ----
    bool hasPrefsPane() const override { return true; }
    QString identifier() const override { return {}; }
    QString label() const override { return {}; }
    QIcon icon() const override { return {}; }
    QString category() const override { return {}; }
    QString version() const override { return {}; }
    std::shared_ptr<platform::Bundle> bundle() const override { return myBundle; }
    QWidget* mainView() const override;
    QString userInfo() const override;
    void willSelect() override;
    void willUnselect() override;
    void updateUseTTL();
    void updateTitleLength();

    // ---- Feed table data source and delegate ----
    int numberOfRowsInTableView(QTableView* table);
    QVariant tableViewObjectValueForTableColumn(QTableView* table, const QString& column, int row);
    void tableViewSetObjectValue(QTableView* table, const QVariant& value, const QString& column, int row);
    void tableViewSelectionDidChange(QTableView* table);

    // ---- Settings write-back ----
    // Puts the working list or table itself into the settings: from then until the
    // next set-up, every change of it is at once in the settings.
    void storeFeeds();
    void storeIgnored();
    void storeSetting(const QString& key, const QVariant& value);
    // Called on the main thread after `feeds` or `ignored` changed.
    void feedsDidChange();
    // Feed URLs the worker replaced in the working list (pages that named their
    // feeds, movedFeedAddresses): their timers follow and the list is stored.
    void feedAddressesDidChange();
    void ignoredDidChange();

  public slots:
    // Actions the interface file connects; each takes its sender.
    void doActionableMenuItem(QObject* sender);
    void closeWebWindow(QObject* sender);
    void changeUseTTL(QObject* sender);
    void changeTitleLength(QObject* sender);
    void resetBlockedItems(QObject* sender);
    void addFeedToTable(QObject* sender);
    void removeFeedFromTable(QObject* sender);
    void importFeedList(QObject* sender);
    void exportFeedList(QObject* sender);

  public:
    // ---- Fields ----
    std::shared_ptr<platform::Bundle> myBundle;
    std::atomic<PNTickerServer*> server{nullptr};
    QVariantMap* defaults = nullptr; // the host's; main thread only
    bool active = false;
    std::atomic<bool> useTTL{false};
    std::atomic<int> titleLength{0};
    // One lock for the plug-in's life: a re-activation never frees a lock that a
    // running update holds, so two updates never overlap.
    platform::UpdateLock threadLock;
    std::optional<QHash<QString, FeedDictionary>> topDictionary;
    QVariantList feeds;
    QVariantMap ignored;
    std::optional<QList<std::shared_ptr<platform::Timer>>> timers; // null entry: disabled feed

    // Guards topDictionary (with its feed dictionaries and "tickers" lists), feeds
    // and ignored. Held briefly; never across a fetch, a parse or a host call.
    mutable std::mutex dataMutex;
    // Page URL and feed URL of each record the worker moved, for the main thread;
    // under dataMutex.
    QList<QPair<QString, QString>> movedFeedAddresses;

    // Whether the settings hold the working list/table itself (since the last set-up).
    bool feedsStored = false;
    bool ignoredStored = false;

    // Set when the plug-in goes away: running fetches give up at once.
    std::atomic<bool> shuttingDown{false};
    // Bounds of every fetch an update makes (the feed and its channel image).
    platform::FetchLimits fetchLimits;
    // Validators, bodies and deferrals of the URLs fetched so far, for the
    // plug-in's life; its own mutex, not dataMutex.
    FetchCache fetchCache;
    // Work the update worker hands to the main thread (settings, the pane).
    platform::MainThreadMailbox mainThread;
    // How each feed fared at its last update; its own mutex.
    FeedStatusBoard statusBoard;

    // Outlets, set by the interface file.
    QAction* closeItem = nullptr;
    QAction* copyrightItem = nullptr;
    QAction* downloadEnclosureItem = nullptr;
    QAction* emailAuthorItem = nullptr;
    QAction* emailManagingEditorItem = nullptr;
    QAction* emailWebmasterItem = nullptr;
    QAction* feedCategoryItem = nullptr;
    QAction* feedPublicationDateItem = nullptr;
    QAction* feedTitleItem = nullptr;
    QAction* generatorItem = nullptr;
    QMenu* infoMenu = nullptr;
    QAction* itemCategoryItem = nullptr;
    QAction* itemPublicationDateItem = nullptr;
    QAction* itemTitleItem = nullptr;
    QAction* languageItem = nullptr;
    QAction* lastBuildDateItem = nullptr;
    QAction* openCommentsPageItem = nullptr;
    QAction* openItemLinkInBrowserItem = nullptr;
    QAction* openFeedLinkInBrowserItem = nullptr;
    QWidget* prefPaneView = nullptr;
    QAction* showFullFeedDescriptionItem = nullptr;
    QAction* showFullItemDescriptionItem = nullptr;
    QAction* sourceItem = nullptr;
    QAction* subscribeToSourceItem = nullptr;
    QAction* unsubscribeFromFeedItem = nullptr;
    QAction* setUpdateIntervalToItem = nullptr;
    QAction* dontShowAgainItem = nullptr;
    QLabel* webNameLabel = nullptr;
    QWidget* webWindow = nullptr;
    QTextBrowser* webView = nullptr;
    QPushButton* addFeedButton = nullptr;
    QPushButton* removeFeedButton = nullptr;
    QLabel* feedListReportLabel = nullptr; // what the last import or export did
    QTableView* feedTable = nullptr;
    QCheckBox* useTTLCheckBox = nullptr;
    QLineEdit* titleLengthText = nullptr;
    QSpinBox* titleLengthStepper = nullptr;

    // The 23 info-menu entries the plug-in holds whether or not they are in a menu.
    QList<QPointer<QAction>> heldMenuItems;
    // What the interface file loaded, owned here. A load failure is kept readable.
    std::unique_ptr<QWidget> interfaceRoot;
    QString interfaceError;
    FeedTableModel* feedTableModel = nullptr;

  private:
    QList<platform::Bundle::Outlet> outlets();
    void connectInterface();
    // Tells the host and the pane that a feed's status changed; any thread.
    void statusDidChange();
    int shownItemCount(const QString& feedURL) const;
    QVariantMap statusMap(const QVariantMap& record) const;
    void feedTableStatusDidChange();
    void showFeedListReport(const QString& message, bool ok);
    std::shared_ptr<platform::Timer> scheduleFeedTimer(double seconds, const QString& feedURL);
    friend class UpdateLockGuard;

    // Declared last: it is stopped and joined first, while everything its
    // updates touch still exists.
    UpdateQueue updateQueue;
};
