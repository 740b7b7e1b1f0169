#pragma once
#include "app/shared/PluginHost.h"
#include "app/shared/SettingsFile.h"
#include "app/shared/SignRegistry.h"
#include "app/window/HostSettings.h"
#include "app/window/PreferencesWindow.h"
#include "app/window/TickerPage.h"
#include "app/window/TickerWindow.h"
#include "host/PNProtocols.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>

// The ticker server of the window mode: signs posted from any thread go into the
// registry and the strip is told on the main thread; settings are written shortly
// after a change and at quit.
class WindowHost : public QObject, public PNTickerServer {
    Q_OBJECT
  public:
    static constexpr int saveDelayMs = 500;

    // plugins may be empty (tests drive the host directly).
    WindowHost(SettingsFile& settings, PluginHost* plugins, const QString& notice = {});
    ~WindowHost() override;

    // Shows the window and activates the plug-ins.
    void start();
    // Closes the preferences window, deactivates the plug-ins, waits a little for
    // running updates and writes the settings.
    void shutDown();
    // Ends the event loop after closing the preferences window.
    void quit();
    void openPreferences();
    // Opens the preferences on the first plug-in's pane (where feeds are added).
    void openPluginPreferences();
    // Updates every feed of every plug-in now.
    void refreshNow();

    // PNTickerServer
    QVariantMap* preferencesForIdentifier(const QString& identifier) override;
    void addSign(const PNSignRef& sign) override;
    void addSign(const PNSignRef& sign, PNPennantClientProtocol* client) override;
    void removeSign(const PNSignRef& sign) override;
    QWidget* tickerView() override;
    PNSize viewSize() override;
    void preferencesDidChange(const QString& identifier) override;
    void sourceStatusDidChange(PNPennantPluginProtocol* plugin) override;
    void offerUndo(const QString& text, std::function<void()> undo) override;

    TickerWindow* window() const { return window_.get(); }
    TickerStrip* strip() const { return strip_; }
    PreferencesWindow* preferences() const { return preferences_.get(); }
    HostSettings& hostSettings() { return hostSettings_; }
    SignRegistry& signs() { return signs_; }
    // Writes the settings now; a failure shows as the window's notice.
    bool saveSettings();
    void scheduleSave();

    // The host's own page of the preferences, after the plug-ins' panes.
    TickerPage* tickerPage() const { return tickerPage_.get(); }
    // The plug-ins' panes the preferences window shows; by default those of the plug-ins.
    void setPanes(const QList<PNPrefPaneProtocol*>& panes);
    // The sources the strip's empty notice reads; by default those of the plug-ins.
    void setStatusSources(const QList<PNSourceStatus*>& sources);
    // Reads the sources again and puts the notice for them on the strip.
    void refreshEmptyNotice();

  signals:
    // The window is on screen and the plug-ins are active; what watches the ticker
    // from outside (a tool taking pictures of it) starts here.
    void shown();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void recordViewSize();
    bool anyUpdateRunning() const;
    void reloadMergedSettings();

    SettingsFile& settings_;
    PluginHost* plugins_;
    SignRegistry signs_;
    HostSettings hostSettings_;
    std::unique_ptr<TickerWindow> window_;
    TickerStrip* strip_ = nullptr; // set once; safe to reach from any thread
    std::unique_ptr<TickerPage> tickerPage_;
    std::unique_ptr<PreferencesWindow> preferences_;
    QList<PNPrefPaneProtocol*> panes_;
    QList<PNSourceStatus*> statusSources_;
    std::atomic<bool> noticeRefreshPending_{false};
    QTimer saveTimer_;
    bool shutDown_ = false;
    mutable std::mutex sizeMutex_;
    PNSize viewSize_;
};
