#include "core/FeedStore.h"

#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "platform/Values.h"

#include <algorithm>

using recordkeys::kURL;

namespace {

QString urlOf(const QVariant& record) {
    // A record whose "url" is absent or not text is keyed by the empty text.
    return platform::textValue(record.toMap().value(kURL));
}

} // namespace

qsizetype FeedStore::rowOf(const QString& feedURL) const {
    // Every timer's tick asks for its feed's record: a scan each would make a
    // round of n feeds cost n² on the main thread.
    if (!rows_) {
        rows_.emplace();
        rows_->reserve(feeds_.size());
        for (qsizetype i = 0; i < feeds_.size(); ++i)
            if (const QString url = urlOf(feeds_.at(i)); !rows_->contains(url)) rows_->insert(url, i);
    }
    return rows_->value(feedURL, -1);
}

void FeedStore::load(const QVariant& storedFeeds, const QVariant& storedHiddenItems) {
    feeds_ = platform::isList(storedFeeds) ? storedFeeds.toList() : QVariantList();
    listDidChange();
    hiddenItems_ = platform::isDictionary(storedHiddenItems) ? storedHiddenItems.toMap() : QVariantMap();
    feedsStored_ = false;
    hiddenItemsStored_ = false;
}

QVariantList FeedStore::records() const {
    return feeds_;
}

qsizetype FeedStore::count() const {
    return feeds_.size();
}

std::optional<QVariantMap> FeedStore::recordAt(qsizetype row) const {
    if (row < 0 || row >= feeds_.size()) return std::nullopt;
    return feeds_.at(row).toMap();
}

bool FeedStore::isListed(const QString& feedURL) const {
    return rowOf(feedURL) >= 0;
}

bool FeedStore::updateRecord(qsizetype row, const std::function<bool(QVariantMap&)>& edit) {
    if (row < 0 || row >= feeds_.size()) return false;
    QVariantMap record = feeds_.at(row).toMap();
    if (!edit(record)) return false;
    feeds_[row] = record;
    listDidChange();
    return true;
}

bool FeedStore::updateRecordOf(const QString& feedURL, const std::function<bool(QVariantMap&)>& edit) {
    const qsizetype row = rowOf(feedURL);
    if (row < 0) return false;
    QVariantMap record = feeds_.at(row).toMap();
    if (!edit(record)) return false;
    feeds_[row] = record;
    listDidChange();
    return true;
}

qsizetype FeedStore::append(const QVariantMap& record) {
    feeds_.append(record);
    listDidChange();
    return feeds_.size() - 1;
}

QVariantList FeedStore::appendUnlisted(const QVariantList& records) {
    QStringList listed;
    for (const QVariant& record : feeds_)
        listed.append(urlOf(record));
    QVariantList added;
    for (const QVariant& record : records)
        if (!listed.contains(record.toMap().value(kURL).toString())) added.append(record);
    feeds_.append(added);
    listDidChange();
    return added;
}

void FeedStore::removeRows(const QList<int>& rows) {
    // From the last, so the earlier indexes stay right.
    for (auto row = rows.crbegin(); row != rows.crend(); ++row)
        if (*row >= 0 && *row < feeds_.size()) feeds_.removeAt(*row);
    listDidChange();
}

bool FeedStore::subscribe(const QString& feedURL, int minutes) {
    // Exact text, letter case included: a differently written URL is another feed.
    if (rowOf(feedURL) >= 0) return false;
    feeds_.append(
        QVariantMap{{kURL, feedURL}, {recordkeys::kInterval, minutes}, {recordkeys::kEnabled, true}});
    listDidChange();
    return true;
}

QList<PNSignRef> FeedStore::unsubscribe(const QString& feedURL) {
    if (const qsizetype row = rowOf(feedURL); row >= 0) feeds_.removeAt(row);
    listDidChange();
    // Once the feed is out of the list no deactivation would take its signs off.
    QList<PNSignRef> signs;
    if (dictionaries_) {
        auto feed = dictionaries_->find(feedURL);
        if (feed != dictionaries_->end() && feed->tickers) {
            signs = *feed->tickers;
            feed->tickers->clear();
        }
    }
    return signs;
}

bool FeedStore::reinstate(qsizetype row, const QVariantMap& record) {
    if (rowOf(platform::textValue(record.value(kURL))) >= 0) return false;
    feeds_.insert(std::clamp<qsizetype>(row, 0, feeds_.size()), record);
    listDidChange();
    return true;
}

bool FeedStore::adoptTimeToLive(const QString& feedURL, int minutes) {
    for (qsizetype i = 0; i < feeds_.size(); ++i) {
        QVariantMap record = feeds_.at(i).toMap();
        const QVariant url = record.value(kURL);
        if (!platform::isText(url) || url.toString() != feedURL) continue;
        if (platform::intValue(record.value(recordkeys::kInterval)) == minutes) continue;
        record.insert(recordkeys::kInterval, minutes);
        feeds_[i] = record;
        listDidChange();
        return true;
    }
    return false;
}

PageFeedAdoption FeedStore::adoptPageFeed(const QString& pageURL, const QString& feedURL,
                                          QList<PNSignRef>* pageSigns) {
    qsizetype row = -1;
    for (qsizetype i = 0; i < feeds_.size(); ++i) {
        const QString listed = urlOf(feeds_.at(i));
        if (listed == feedURL) return PageFeedAdoption::FeedListed;
        if (listed == pageURL && row < 0) row = i;
    }
    if (row < 0) return PageFeedAdoption::PageGone;
    QVariantMap record = feeds_.at(row).toMap();
    record.insert(kURL, feedURL);
    feeds_[row] = record;
    listDidChange();
    // The URL once served a feed, perhaps: its signs go, and the items hidden
    // from it stay hidden under the feed's URL.
    if (dictionaries_) {
        if (pageSigns) *pageSigns = dictionaries_->value(pageURL).tickers.value_or(QList<PNSignRef>());
        dictionaries_->remove(pageURL);
        dictionaries_->insert(feedURL, FeedDictionary());
    }
    if (hiddenItems_.contains(pageURL)) hiddenItems_.insert(feedURL, hiddenItems_.take(pageURL));
    movedAddresses_.append({pageURL, feedURL});
    return PageFeedAdoption::Adopted;
}

QList<QPair<QString, QString>> FeedStore::takeMovedAddresses() {
    return std::exchange(movedAddresses_, {});
}

QVariantList FeedStore::hiddenItems(const QString& feedURL) const {
    const QVariant entry = hiddenItems_.value(feedURL);
    return platform::isList(entry) ? entry.toList() : QVariantList();
}

bool FeedStore::hasHiddenItems(const QString& feedURL) const {
    return hiddenItems_.contains(feedURL);
}

QVariantMap FeedStore::hiddenItemsByFeed() const {
    return hiddenItems_;
}

PNSignRef FeedStore::hideItem(const QString& feedURL, const QString& guid, const QString& action) {
    const QVariant stored = hiddenItems_.value(feedURL);
    QVariantList hiddenItems = platform::isList(stored) ? stored.toList() : QVariantList();
    if (!hiddenItems.contains(QVariant(guid))) hiddenItems.append(guid);
    hiddenItems_.insert(feedURL, hiddenItems);

    if (!dictionaries_) return nullptr;
    auto feed = dictionaries_->find(feedURL);
    if (feed == dictionaries_->end() || !feed->tickers) return nullptr;
    for (qsizetype i = 0; i < feed->tickers->size(); ++i) {
        const PNSignRef sign = feed->tickers->at(i);
        if (sign && sign->hasActionString() && sign->actionString() == action) {
            feed->tickers->removeAt(i);
            return sign;
        }
    }
    return nullptr;
}

void FeedStore::clearHiddenItems() {
    hiddenItems_.clear();
}

void FeedStore::restoreHiddenItems(const QString& feedURL, const QVariantList& hiddenItems) {
    if (hiddenItems.isEmpty()) return;
    hiddenItems_.insert(feedURL, hiddenItems);
}

std::optional<FeedDictionary> FeedStore::feed(const QString& feedURL) const {
    if (!dictionaries_) return std::nullopt;
    const auto found = dictionaries_->constFind(feedURL);
    if (found == dictionaries_->cend()) return std::nullopt;
    return *found;
}

bool FeedStore::prepareEntry(const QString& feedURL, bool* onTicker) {
    if (!dictionaries_) dictionaries_.emplace();
    const FeedDictionary& entry = (*dictionaries_)[feedURL];
    if (onTicker) *onTicker = entry.tickers && !entry.tickers->isEmpty();
    return entry.channel || entry.items;
}

bool FeedStore::publish(const QString& feedURL, FeedDictionary&& parsed, bool keepDictionary,
                        QList<PNSignRef>* previous) {
    if (!dictionaries_) return false;
    auto found = dictionaries_->find(feedURL);
    if (found == dictionaries_->end()) return false;
    FeedDictionary& entry = *found;
    if (!keepDictionary) {
        entry.channel = std::move(parsed.channel);
        entry.items = std::move(parsed.items);
    }
    // The parsed feed is kept for a feed that left the list, but nothing is shown
    // for it: no timer, deactivation or later update would ever take such signs off.
    if (rowOf(feedURL) < 0) return false;
    if (previous) *previous = entry.tickers.value_or(QList<PNSignRef>());
    // A feed that shows nothing has no "tickers" list, as before any update.
    if (!parsed.tickers || parsed.tickers->isEmpty())
        entry.tickers.reset();
    else
        entry.tickers = std::move(parsed.tickers);
    return true;
}

int FeedStore::shownItemCount(const QString& feedURL) const {
    if (!dictionaries_) return 0;
    auto it = dictionaries_->constFind(feedURL);
    if (it == dictionaries_->cend() || !it->tickers) return 0;
    int count = 0;
    for (const PNSignRef& sign : *it->tickers)
        if (sign->actionType() == PNPennantActionTypeCustom) ++count;
    return count;
}

void FeedStore::forget(const QString& feedURL) {
    if (dictionaries_) dictionaries_->remove(feedURL);
}

QList<PNSignRef> FeedStore::takeShownSigns() {
    QList<PNSignRef> signs;
    if (!dictionaries_) return signs;
    for (const QVariant& record : feeds_) {
        auto entry = dictionaries_->find(urlOf(record));
        if (entry == dictionaries_->end() || !entry->tickers) continue;
        signs += *entry->tickers;
        entry->tickers->clear();
    }
    return signs;
}

void FeedStore::storeFeeds(PluginPreferences& preferences) {
    feedsStored_ = true;
    preferences.storeSetting(settingkeys::kFeeds, feeds_);
}

void FeedStore::storeHiddenItems(PluginPreferences& preferences) {
    hiddenItemsStored_ = true;
    preferences.storeSetting(settingkeys::kHiddenItems, hiddenItems_);
}

void FeedStore::feedsDidChange(PluginPreferences& preferences) {
    if (feedsStored_) storeFeeds(preferences);
}

void FeedStore::hiddenItemsDidChange(PluginPreferences& preferences) {
    if (hiddenItemsStored_) storeHiddenItems(preferences);
}
