#include "core/PluginPreferences.h"

#include "core/SettingsKeys.h"

#include <QVariantList>

void PluginPreferences::presetDefaults() {
    if (!defaults_ || !defaults_->isEmpty()) return;
    defaults_->insert(settingkeys::kFeeds, QVariantList());
    defaults_->insert(settingkeys::kHiddenItems, QVariantMap());
    defaults_->insert(settingkeys::kUseTTL, true);
    defaults_->insert(settingkeys::kTitleLength, limits::kDefaultTitleLength);
    if (PNTickerServer* s = server()) s->preferencesDidChange(identifier_);
}

QVariant PluginPreferences::value(const QString& key) const {
    return defaults_ ? defaults_->value(key) : QVariant();
}

void PluginPreferences::storeSetting(const QString& key, const QVariant& value) {
    if (!defaults_) return;
    defaults_->insert(key, value);
    if (PNTickerServer* s = server()) s->preferencesDidChange(identifier_);
}
