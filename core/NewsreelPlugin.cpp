#include "core/NewsreelPlugin.h"

#include "platform/SystemLog.h"
#include "platform/Values.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTextBrowser>

using platform::bindTo;
using platform::Bundle;

NewsreelPlugin::NewsreelPlugin(QObject* parent) : QObject(parent) {
    updateQueue.setIdleHandler([this] {
        if (PNTickerServer* s = server.load()) s->pluginDidBecomeIdle(this);
    });
}

NewsreelPlugin::~NewsreelPlugin() {
    // The running update gives up its fetch at once; the ones waiting never start.
    shuttingDown = true;
    updateQueue.shutdown();
    if (timers) {
        for (auto& timer : *timers)
            if (timer) timer->invalidate();
    }
    heldMenuItems.clear();
    // The description window and menus are top-level widgets parented to the root.
    interfaceRoot.reset();
}

NewsreelPlugin* NewsreelPlugin::initWithBundle(std::shared_ptr<Bundle> bundle) {
    setMyBundle(std::move(bundle));
    return this;
}

void NewsreelPlugin::setDefaults(QVariantMap* settings) {
    if (settings != defaults) defaults = settings;
}

void NewsreelPlugin::setUseTTL(bool value) {
    if (useTTL.load() != value) useTTL = value;
}

void NewsreelPlugin::setTitleLength(int value) {
    if (titleLength.load() != value) titleLength = value;
}

void NewsreelPlugin::setupWithServer(PNTickerServer* newServer) {
    setServer(newServer);
    setDefaults(newServer->preferencesForIdentifier(myBundle ? myBundle->bundleIdentifier() : QString()));
    presetDefaults();
    static QVariantMap noSettings;
    const QVariantMap& settings = defaults ? *defaults : noSettings;
    {
        std::lock_guard lock(dataMutex);
        const QVariant storedFeeds = settings.value(QStringLiteral("feeds"));
        const QVariant storedIgnored = settings.value(QStringLiteral("ignored"));
        // A list or table of the wrong kind reads as empty, and is not written
        // back until the user changes it.
        feeds = platform::isList(storedFeeds) ? storedFeeds.toList() : QVariantList();
        ignored = platform::isDictionary(storedIgnored) ? storedIgnored.toMap() : QVariantMap();
        feedsStored = false;
        ignoredStored = false;
    }
    setUseTTL(platform::boolValue(settings.value(QStringLiteral("useTTL"))));
    setTitleLength(platform::intValue(settings.value(QStringLiteral("titleLength"))));
    loadMainView();
    if (heldMenuItems.isEmpty() && infoMenu) {
        for (QAction* item : {copyrightItem,
                              downloadEnclosureItem,
                              emailAuthorItem,
                              emailManagingEditorItem,
                              emailWebmasterItem,
                              feedCategoryItem,
                              feedPublicationDateItem,
                              generatorItem,
                              itemCategoryItem,
                              itemPublicationDateItem,
                              itemTitleItem,
                              languageItem,
                              lastBuildDateItem,
                              openCommentsPageItem,
                              openItemLinkInBrowserItem,
                              openFeedLinkInBrowserItem,
                              showFullFeedDescriptionItem,
                              showFullItemDescriptionItem,
                              sourceItem,
                              subscribeToSourceItem,
                              unsubscribeFromFeedItem,
                              setUpdateIntervalToItem,
                              dontShowAgainItem}) {
            // Taken out of its menu an entry must live on: the plug-in owns it.
            item->setParent(interfaceRoot.get());
            heldMenuItems.append(item);
        }
    }
}

void NewsreelPlugin::presetDefaults() {
    if (!defaults || !defaults->isEmpty()) return;
    defaults->insert(QStringLiteral("feeds"), QVariantList());
    defaults->insert(QStringLiteral("ignored"), QVariantMap());
    defaults->insert(QStringLiteral("useTTL"), true);
    defaults->insert(QStringLiteral("titleLength"), 30);
    if (PNTickerServer* s = server.load())
        s->preferencesDidChange(myBundle ? myBundle->bundleIdentifier() : QString());
}

QList<Bundle::Outlet> NewsreelPlugin::outlets() {
    return {
        {QStringLiteral("closeItem"), bindTo(closeItem)},
        {QStringLiteral("copyrightItem"), bindTo(copyrightItem)},
        {QStringLiteral("downloadEnclosureItem"), bindTo(downloadEnclosureItem)},
        {QStringLiteral("emailAuthorItem"), bindTo(emailAuthorItem)},
        {QStringLiteral("emailManagingEditorItem"), bindTo(emailManagingEditorItem)},
        {QStringLiteral("emailWebmasterItem"), bindTo(emailWebmasterItem)},
        {QStringLiteral("feedCategoryItem"), bindTo(feedCategoryItem)},
        {QStringLiteral("feedPublicationDateItem"), bindTo(feedPublicationDateItem)},
        {QStringLiteral("feedTitleItem"), bindTo(feedTitleItem)},
        {QStringLiteral("generatorItem"), bindTo(generatorItem)},
        {QStringLiteral("infoMenu"), bindTo(infoMenu)},
        {QStringLiteral("itemCategoryItem"), bindTo(itemCategoryItem)},
        {QStringLiteral("itemPublicationDateItem"), bindTo(itemPublicationDateItem)},
        {QStringLiteral("itemTitleItem"), bindTo(itemTitleItem)},
        {QStringLiteral("languageItem"), bindTo(languageItem)},
        {QStringLiteral("lastBuildDateItem"), bindTo(lastBuildDateItem)},
        {QStringLiteral("openCommentsPageItem"), bindTo(openCommentsPageItem)},
        {QStringLiteral("openItemLinkInBrowserItem"), bindTo(openItemLinkInBrowserItem)},
        {QStringLiteral("openFeedLinkInBrowserItem"), bindTo(openFeedLinkInBrowserItem)},
        {QStringLiteral("prefPaneView"), bindTo(prefPaneView)},
        {QStringLiteral("showFullFeedDescriptionItem"), bindTo(showFullFeedDescriptionItem)},
        {QStringLiteral("showFullItemDescriptionItem"), bindTo(showFullItemDescriptionItem)},
        {QStringLiteral("sourceItem"), bindTo(sourceItem)},
        {QStringLiteral("subscribeToSourceItem"), bindTo(subscribeToSourceItem)},
        {QStringLiteral("unsubscribeFromFeedItem"), bindTo(unsubscribeFromFeedItem)},
        {QStringLiteral("setUpdateIntervalToItem"), bindTo(setUpdateIntervalToItem)},
        {QStringLiteral("dontShowAgainItem"), bindTo(dontShowAgainItem)},
        {QStringLiteral("webNameLabel"), bindTo(webNameLabel)},
        {QStringLiteral("webWindow"), bindTo(webWindow)},
        {QStringLiteral("webView"), bindTo(webView)},
        {QStringLiteral("addFeedButton"), bindTo(addFeedButton)},
        {QStringLiteral("removeFeedButton"), bindTo(removeFeedButton)},
        {QStringLiteral("feedListReportLabel"), bindTo(feedListReportLabel)},
        {QStringLiteral("feedTable"), bindTo(feedTable)},
        {QStringLiteral("useTTLCheckBox"), bindTo(useTTLCheckBox)},
        {QStringLiteral("titleLengthText"), bindTo(titleLengthText)},
        {QStringLiteral("titleLengthStepper"), bindTo(titleLengthStepper)},
    };
}

void NewsreelPlugin::loadMainView() {
    if (prefPaneView || !myBundle) return;
    QString error;
    QWidget* root = myBundle->loadNibNamed(QStringLiteral("NewsreelPane"), this, outlets(), &error);
    if (!root) {
        // Outlets a failed load may have set point into widgets that are gone.
        for (const Bundle::Outlet& outlet : outlets())
            outlet.set(nullptr);
        interfaceError = error;
        platform::systemLog(QStringLiteral("cannot load the interface: %1").arg(error));
        return;
    }
    interfaceRoot.reset(root);
    connectInterface();
}

QWidget* NewsreelPlugin::mainView() const {
    return prefPaneView;
}

QString NewsreelPlugin::userInfo() const {
    if (!myBundle) return {};
    // A missing key gives the key itself back, as the string table lookup does.
    return myBundle->localizedStringForKey(QStringLiteral("userInfo"), QString());
}

void NewsreelPlugin::storeSetting(const QString& key, const QVariant& value) {
    if (!defaults) return;
    defaults->insert(key, value);
    if (PNTickerServer* s = server.load())
        s->preferencesDidChange(myBundle ? myBundle->bundleIdentifier() : QString());
}

void NewsreelPlugin::storeFeeds() {
    QVariantList copy;
    {
        std::lock_guard lock(dataMutex);
        feedsStored = true;
        copy = feeds;
    }
    storeSetting(QStringLiteral("feeds"), copy);
}

void NewsreelPlugin::storeIgnored() {
    QVariantMap copy;
    {
        std::lock_guard lock(dataMutex);
        ignoredStored = true;
        copy = ignored;
    }
    storeSetting(QStringLiteral("ignored"), copy);
}

void NewsreelPlugin::feedsDidChange() {
    bool stored;
    {
        std::lock_guard lock(dataMutex);
        stored = feedsStored;
    }
    if (stored) storeFeeds();
}

void NewsreelPlugin::ignoredDidChange() {
    bool stored;
    {
        std::lock_guard lock(dataMutex);
        stored = ignoredStored;
    }
    if (stored) storeIgnored();
}
