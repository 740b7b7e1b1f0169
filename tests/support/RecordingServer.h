#pragma once
#include "host/PNProtocols.h"

#include <QStringList>
#include <QVariantMap>
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>

// A ticker server that records what the plug-in asks of it. Safe from any thread.
class RecordingServer : public PNTickerServer {
  public:
    struct Call {
        enum Kind { Add, AddWithClient, Remove } kind;
        PNSignRef sign;
    };

    QVariantMap settings;
    PNSize size{1280, 24};

    QVariantMap* preferencesForIdentifier(const QString& identifier) override;
    void addSign(const PNSignRef& sign) override { note(Call::Add, sign); }
    void addSign(const PNSignRef& sign, PNPennantClientProtocol*) override {
        note(Call::AddWithClient, sign);
    }
    void removeSign(const PNSignRef& sign) override { note(Call::Remove, sign); }
    QWidget* tickerView() override;
    PNSize viewSize() override { return size; }
    void preferencesDidChange(const QString&) override { ++preferenceChanges; }
    void pluginDidBecomeIdle(PNPennantPluginProtocol*) override { ++idleReports; }
    void sourceStatusDidChange(PNPennantPluginProtocol*) override { ++statusChanges; }
    void offerUndo(const QString& text, std::function<void()> undo) override {
        undoText = text;
        this->undo = std::move(undo);
    }

    QList<Call> calls() const;
    QList<PNSignRef> onTicker() const; // signs posted and not removed, in posting order
    void clear();

    QString askedIdentifier;
    std::atomic<int> preferenceChanges{0};
    std::atomic<int> idleReports{0};
    std::atomic<int> statusChanges{0};
    // The last offer to undo (main thread only).
    QString undoText;
    std::function<void()> undo;

  private:
    void note(Call::Kind kind, const PNSignRef& sign);
    mutable std::mutex mutex_;
    QList<Call> calls_;
    QList<PNSignRef> onTicker_;
    std::unique_ptr<QWidget> view_;
};
