#pragma once
#include "app/headless/JsonLine.h"
#include "app/shared/HostOptions.h"
#include "app/shared/PluginHost.h"
#include "app/shared/SettingsFile.h"
#include "app/shared/SignRegistry.h"
#include "host/PNProtocols.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QMenu;
class QSocketNotifier;

// The host without a window: every sign, log line, beep, opened URL, menu and
// window becomes a JSON line on stdout, and commands come one per line on stdin.
class HeadlessHost : public QObject, public PNTickerServer {
    Q_OBJECT
  public:
    HeadlessHost(const HostOptions& options, SettingsFile& settings, PluginHost& plugins);
    ~HeadlessHost() override;

    // Activates every plug-in and starts reading commands.
    void start();

    // PNTickerServer
    QVariantMap* preferencesForIdentifier(const QString& identifier) override;
    void addSign(const PNSignRef& sign) override;
    void addSign(const PNSignRef& sign, PNPennantClientProtocol* client) override;
    void removeSign(const PNSignRef& sign) override;
    QWidget* tickerView() override;
    PNSize viewSize() override;
    void preferencesDidChange(const QString& identifier) override;
    void pluginDidBecomeIdle(PNPennantPluginProtocol* plugin) override;

    // Commands: one word, then arguments split at blanks; the handler also gets the
    // rest of the line after the word.
    using Command = std::function<void(const QStringList& args, const QString& rest)>;
    void registerCommand(const QString& name, Command command);
    void runCommand(const QString& line);
    void error(const QString& message);

    SignRegistry& signs() { return signs_; }
    PluginHost& pluginHost() { return plugins_; }
    LoadedPlugin* firstPlugin() const;
    // Whether `pane show` left the first plug-in's pane shown.
    bool paneShown = false;
    // The menu popped up last, while it is still alive.
    QPointer<QMenu> lastMenu;

    void quit(int code);

  private:
    void postSign(const PNSignRef& sign, PNPennantClientProtocol* client);
    bool anyUpdateRunning() const;
    Q_INVOKABLE void onIdle();
    void saveSettings();
    void installPlatformHooks();
    void registerCoreCommands();
    void printStatus();
    void startReadingCommands();
    void readInput();
    void queueCommand(const QByteArray& line);
    void endOfInput();
    void inputEnded();

    HostOptions options_;
    SettingsFile& settings_;
    PluginHost& plugins_;
    SignRegistry signs_;
    QHash<QString, Command> commands_;
    std::unique_ptr<QSocketNotifier> input_; // stdin, until it ends
    QByteArray pendingInput_;                // a line read in part, kept until its line break
    std::unique_ptr<QWidget> view_;
    QTimer saveTimer_;
    bool waitPending_ = false;
    QStringList heldCommands_; // lines read while a `wait` is pending
    bool inputEnded_ = false;  // stdin is closed: quit once what is held has run
    bool quitting_ = false;
};

// Command groups that live beside the capability they drive.
void registerMenuCommands(HeadlessHost& host);
void registerPaneCommands(HeadlessHost& host);
void registerSourceListCommands(HeadlessHost& host);

// JSON for a sign's "add" event.
JsonLine signAddedEvent(int id, const PNTickerSign& sign, bool withClient);
