#include "app/window/WindowHost.h"

#include "app/window/StripNotice.h"
#include "platform/ContextMenu.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMenu>
#include <QMetaObject>
#include <QThread>
#include <iostream>

WindowHost::WindowHost(SettingsFile& settings, PluginHost* plugins, const QString& notice)
    : settings_(settings), plugins_(plugins),
      hostSettings_(settings.dictionaryFor(QString::fromLatin1(HostSettings::identifier))) {
    window_ = std::make_unique<TickerWindow>(signs_);
    strip_ = window_->strip();
    strip_->setSpeed(hostSettings_.speed());
    strip_->setPauseOnHover(hostSettings_.pauseOnHover());
    strip_->setAppearance(hostSettings_.appearance());
    window_->setDockEdge(hostSettings_.dockEdge());
    window_->setScreenName(hostSettings_.screen());
    window_->setNotice(notice);
    strip_->installEventFilter(this);
    recordViewSize();

    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(saveDelayMs);
    connect(&saveTimer_, &QTimer::timeout, this, &WindowHost::saveSettings);

    connect(strip_, &TickerStrip::speedChanged, this, [this](double speed) {
        hostSettings_.setSpeed(speed);
        scheduleSave();
    });
    connect(window_.get(), &TickerWindow::dockEdgeChosen, this, [this](HostSettings::DockEdge edge) {
        hostSettings_.setDockEdge(edge);
        window_->setDockEdge(edge);
        scheduleSave();
    });
    connect(window_.get(), &TickerWindow::screenChosen, this, [this](const QString& name) {
        hostSettings_.setScreen(name);
        window_->setScreenName(name);
        scheduleSave();
    });
    tickerPage_ = std::make_unique<TickerPage>(hostSettings_, *strip_);
    connect(tickerPage_.get(), &TickerPage::changed, this, &WindowHost::scheduleSave);
    connect(window_.get(), &TickerWindow::preferencesRequested, this, &WindowHost::openPreferences);
    // The notice asks for a feed: the page that adds one, whichever was shown last.
    connect(strip_, &TickerStrip::emptyNoticeClicked, this, &WindowHost::openPluginPreferences);
    connect(window_.get(), &TickerWindow::quitRequested, this, &WindowHost::quit);
    connect(window_.get(), &TickerWindow::refreshRequested, this, &WindowHost::refreshNow);

    if (plugins_)
        for (LoadedPlugin* p : plugins_->plugins()) {
            if (p->pane) panes_.append(p->pane);
            if (p->status) statusSources_.append(p->status);
        }
    setPanes(panes_);
}

WindowHost::~WindowHost() {
    if (preferences_) {
        // Closing on its way out, the window must not call back into a host that is going.
        disconnect(preferences_.get(), nullptr, this, nullptr);
        preferences_->returnViews();
    }
}

void WindowHost::setPanes(const QList<PNPrefPaneProtocol*>& panes) {
    if (preferences_) {
        preferences_->dismiss();
        preferences_->returnViews();
        preferences_.reset();
    }
    panes_ = panes;
    // The host's own page is always there.
    window_->setPreferencesAvailable(true);
}

void WindowHost::setStatusSources(const QList<PNSourceStatus*>& sources) {
    statusSources_ = sources;
    refreshEmptyNotice();
}

void WindowHost::refreshEmptyNotice() {
    noticeRefreshPending_ = false;
    if (shutDown_) return;
    QList<QVariantList> sources;
    for (PNSourceStatus* source : std::as_const(statusSources_))
        sources.append(source->sourceStatus());
    strip_->setEmptyNotice(stripNoticeFor(sources));
}

void WindowHost::sourceStatusDidChange(PNPennantPluginProtocol*) {
    // Any thread: one refresh on the main thread for a burst of changes.
    if (noticeRefreshPending_.exchange(true)) return;
    QMetaObject::invokeMethod(this, &WindowHost::refreshEmptyNotice, Qt::QueuedConnection);
}

void WindowHost::offerUndo(const QString& text, std::function<void()> undo) {
    if (shutDown_ || !undo) return;
    strip_->offerUndo(text, std::move(undo));
}

void WindowHost::start() {
    // A headline's menu opened from the keyboard pops up at its headline.
    platform::setContextMenuPresenter([this](QMenu* menu, QWidget*) { menu->popup(strip_->menuPosition()); });
    window_->placeOnScreen();
    window_->show();
    recordViewSize();
    if (!settings_.existed()) saveSettings();
    if (plugins_)
        for (LoadedPlugin* p : plugins_->plugins())
            p->plugin->activateWithServer(this);
    refreshEmptyNotice();
    emit shown();
}

bool WindowHost::anyUpdateRunning() const {
    if (!plugins_) return false;
    for (LoadedPlugin* p : plugins_->plugins())
        if (p->activity && p->activity->updatesRunning()) return true;
    return false;
}

void WindowHost::shutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    // An offer to undo would reach into plug-ins that are going.
    strip_->undoOverlay().hide();
    platform::setContextMenuPresenter(nullptr);
    if (preferences_) {
        preferences_->dismiss();
        preferences_->returnViews();
    }
    if (plugins_)
        for (LoadedPlugin* p : plugins_->plugins())
            p->plugin->deactivate();
    // Deactivation does not wait for an update in progress; give it a moment to end
    // before the plug-ins go, without hanging the quit on a slow server.
    const QDeadlineTimer deadline(3000);
    while (anyUpdateRunning() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    window_->hide();
    saveTimer_.stop();
    saveSettings();
}

void WindowHost::quit() {
    // The pane learns that it is put away while the plug-ins are still loaded, so
    // its edits are stored; deactivated first, a plug-in does not start every feed
    // again on the way out.
    if (preferences_ && preferences_->isVisible() && plugins_)
        for (LoadedPlugin* p : plugins_->plugins())
            p->plugin->deactivate();
    if (preferences_) preferences_->dismiss();
    QCoreApplication::exit(0);
}

void WindowHost::openPreferences() {
    if (!preferences_) {
        preferences_ =
            std::make_unique<PreferencesWindow>(panes_ + QList<PNPrefPaneProtocol*>{tickerPage_.get()});
        preferences_->keepClearOf(window_.get());
        if (preferences_->pageCount() == 0) {
            preferences_.reset();
            return;
        }
        // The feed list may have changed with nothing to report: read it again.
        connect(preferences_.get(), &PreferencesWindow::closed, this, &WindowHost::refreshEmptyNotice);
    }
    preferences_->open();
}

void WindowHost::openPluginPreferences() {
    if (preferences_ && !preferences_->isVisible()) preferences_->selectPage(0);
    openPreferences();
}

void WindowHost::refreshNow() {
    if (plugins_)
        for (LoadedPlugin* p : plugins_->plugins())
            if (p->status) p->status->refreshNow();
}

QVariantMap* WindowHost::preferencesForIdentifier(const QString& identifier) {
    return &settings_.dictionaryFor(identifier);
}

void WindowHost::addSign(const PNSignRef& sign) {
    addSign(sign, nullptr);
}

void WindowHost::addSign(const PNSignRef& sign, PNPennantClientProtocol* client) {
    if (!sign) return;
    signs_.add(sign, client);
    strip_->scheduleSync();
}

void WindowHost::removeSign(const PNSignRef& sign) {
    if (!signs_.remove(sign)) return;
    strip_->scheduleSync();
    // The last sign went (its feed left the list, say): the strip must say why it
    // is empty, whether or not a source's state changed.
    if (signs_.isEmpty()) sourceStatusDidChange(nullptr);
}

QWidget* WindowHost::tickerView() {
    return strip_;
}

PNSize WindowHost::viewSize() {
    std::lock_guard guard(sizeMutex_);
    return viewSize_;
}

void WindowHost::recordViewSize() {
    std::lock_guard guard(sizeMutex_);
    viewSize_ = PNSize{float(strip_->width()), float(strip_->height())};
}

bool WindowHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == strip_ && event->type() == QEvent::Resize) recordViewSize();
    return QObject::eventFilter(watched, event);
}

void WindowHost::preferencesDidChange(const QString&) {
    QMetaObject::invokeMethod(this, &WindowHost::scheduleSave, Qt::QueuedConnection);
}

void WindowHost::scheduleSave() {
    saveTimer_.start();
}

bool WindowHost::saveSettings() {
    const QString problem = settings_.save();
    if (problem.isEmpty()) {
        reloadMergedSettings();
        return true;
    }
    std::cerr << "pennant: " << problem.toStdString() << std::endl;
    window_->setNotice(problem);
    return false;
}

void WindowHost::reloadMergedSettings() {
    // Another program changed a plug-in's settings and the save took them in: the
    // running plug-in reads them again, or its next store would undo them. One
    // whose pane is open keeps its edits; it is left as it is.
    if (!plugins_ || shutDown_ || (preferences_ && preferences_->isVisible())) return;
    for (const QString& identifier : settings_.mergedIdentifiers())
        for (LoadedPlugin* p : plugins_->plugins())
            if (p->bundle && p->bundle->bundleIdentifier() == identifier) {
                p->plugin->deactivate();
                p->plugin->activateWithServer(this);
            }
}
