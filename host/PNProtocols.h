#pragma once
#include "host/PNTickerSign.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QtPlugin>
#include <functional>
#include <memory>

class QWidget;
class PNPennantClientProtocol;
class PNPennantPluginProtocol;
namespace platform {
class Bundle;
}

// The ticker server as plug-ins see it. Sign calls may come from any thread and
// never wait for the host's main thread.
class PNTickerServer {
  public:
    virtual ~PNTickerServer();

    // The plug-in's settings dictionary, kept alive and persisted by the host. The
    // plug-in edits it in place on the main thread.
    virtual QVariantMap* preferencesForIdentifier(const QString& identifier) = 0;
    virtual void addSign(const PNSignRef& sign) = 0;
    virtual void addSign(const PNSignRef& sign, PNPennantClientProtocol* client) = 0;
    virtual void removeSign(const PNSignRef& sign) = 0;
    virtual QWidget* tickerView() = 0;
    virtual PNSize viewSize() = 0;

    // Optional extensions a plug-in may use; the defaults do nothing.
    // Called on the main thread after the plug-in wrote into its settings dictionary.
    virtual void preferencesDidChange(const QString& identifier);
    // Called from any thread when the plug-in has no update running and none queued.
    virtual void pluginDidBecomeIdle(PNPennantPluginProtocol* plugin);
    // Called from any thread when the state of one of the plug-in's sources changed
    // (see PNSourceStatus); the host reads the new states on its main thread.
    virtual void sourceStatusDidChange(PNPennantPluginProtocol* plugin);
    // Main thread: offers the user, for a short while, to take back what the
    // plug-in has just done (text says what, as one line). undo runs at most once,
    // on the main thread, and only if the user asks before the offer ends; a host
    // that cannot offer it drops it.
    virtual void offerUndo(const QString& text, std::function<void()> undo);
};

class PNPennantPluginProtocol {
  public:
    virtual ~PNPennantPluginProtocol();
    virtual PNPennantPluginProtocol* initWithBundle(std::shared_ptr<platform::Bundle> bundle) = 0;
    virtual void activateWithServer(PNTickerServer* server) = 0;
    virtual void deactivate() = 0;
};

class PNPennantClientProtocol {
  public:
    virtual ~PNPennantClientProtocol();
    virtual void performAction(const QString& action) = 0;
};

// Optional, on a client: opens the link of what one of its signs shows (the
// item's page for a headline) straight away, the way the client itself opens
// links, for a host that offers to skip the sign's menu (a middle click).
// Main thread. False when the sign names nothing with a link that could be opened;
// the client has already told the user so.
class PNActionLinkOpener {
  public:
    virtual ~PNActionLinkOpener();
    virtual bool openLinkForAction(const QString& action) = 0;
};

class PNPrefPaneProtocol {
  public:
    virtual ~PNPrefPaneProtocol();
    virtual bool hasPrefsPane() const = 0;
    // A null QString / QIcon stands for "none".
    virtual QString identifier() const = 0;
    virtual QString label() const = 0;
    virtual QIcon icon() const = 0;
    virtual QString category() const = 0;
    virtual QString version() const = 0;
    virtual std::shared_ptr<platform::Bundle> bundle() const = 0;
    virtual QWidget* mainView() const = 0;
    virtual QString userInfo() const = 0;
    virtual void loadMainView() = 0;
    virtual void willSelect() = 0;
    virtual void willUnselect() = 0;
};

// Optional: lets a host ask whether a plug-in has updates running or waiting.
class PNUpdateActivity {
  public:
    virtual ~PNUpdateActivity();
    virtual bool updatesRunning() const = 0;
};

// Optional: lets a host show how each of a plug-in's sources fares, and ask for
// every source to be updated now. Main thread only.
class PNSourceStatus {
  public:
    virtual ~PNSourceStatus();
    // One map per source, in the plug-in's list order, disabled ones included:
    // "url" (text), "enabled" (boolean), "state" ("pending", "updating", "ok",
    // "not-modified", "failed" or "deferred"), "message" (text, empty unless failed
    // or deferred), "items" (number of item signs shown), "title" (the channel's
    // title from the last success, else empty), "link" (the channel's link, else
    // empty), "lastAttempt", "lastSuccess" and "next" (ISO 8601 UTC texts, or a
    // null QVariant).
    virtual QVariantList sourceStatus() const = 0;
    // Fires every enabled source's update now, in list order; regular updates keep
    // their schedule.
    virtual void refreshNow() = 0;
};

// Optional: lets a host carry a plug-in's list of sources to and from a file (OPML
// for a feed reader). Main thread only. Each returns what was done, or why
// nothing was, as one line fit to show, and sets *ok to which of the two.
class PNSourceListTransfer {
  public:
    virtual ~PNSourceListTransfer();
    // With settings: acts on that settings dictionary of a plug-in that is not
    // running (the host saves it). Without: on the running plug-in's own list.
    virtual QString importSources(const QString& path, QVariantMap* settings, bool* ok) = 0;
    virtual QString exportSources(const QString& path, const QVariantMap* settings, bool* ok) = 0;
};

// What a bundle's module exports: it makes the principal object.
class PNPluginFactory {
  public:
    virtual ~PNPluginFactory();
    virtual QObject* createPrincipalObject() = 0;
};

#define PNPluginFactory_iid "org.pennant.PNPluginFactory/1.0"
Q_DECLARE_INTERFACE(PNPluginFactory, PNPluginFactory_iid)
