#pragma once
#include "host/PNProtocols.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <atomic>

// The host's settings table for this plug-in and the two settings signs are
// built with. All of it is read and written on the main thread; an update is
// handed the two values when its timer fires.
class PluginPreferences {
  public:
    void setServer(PNTickerServer* server) { server_ = server; }
    PNTickerServer* server() const { return server_.load(); }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    void setDefaults(QVariantMap* settings) { defaults_ = settings; }
    QVariantMap* defaults() const { return defaults_; }
    // A first set-up finds an empty table and fills in what a new user starts with.
    void presetDefaults();
    QVariant value(const QString& key) const;
    // Writes one setting into the host's table and tells the host it changed.
    void storeSetting(const QString& key, const QVariant& value);

    bool useTTL() const { return useTTL_.load(); }
    void setUseTTL(bool value) { useTTL_ = value; }
    int titleLength() const { return titleLength_.load(); }
    void setTitleLength(int value) { titleLength_ = value; }

  private:
    std::atomic<PNTickerServer*> server_{nullptr};
    QString identifier_;
    QVariantMap* defaults_ = nullptr;
    std::atomic<bool> useTTL_{false};
    std::atomic<int> titleLength_{0};
};
