#pragma once
#include "core/FeedDictionary.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <optional>

class PluginPreferences;

// What a page's record became when the page named its feed.
enum class PageFeedAdoption {
    Adopted,
    PageGone,   // the page's record left the list meanwhile: nothing changed
    FeedListed, // the list has the feed already: nothing changed
};

// The plug-in's working data: the feed list (records of "url", "interval",
// "enabled"), the table of hidden items by feed URL, and each feed's parsed
// dictionary with the signs posted for it. The main thread's alone: the update
// worker gets copies of what it needs and hands back what it found. Records and
// lists are replaced, never changed in place, because the settings may share them.
class FeedStore {
  public:
    // ---- The working list ----
    // Takes the list and table from the settings; a value of the wrong kind reads
    // as empty and is not written back until the user changes it.
    void load(const QVariant& storedFeeds, const QVariant& storedHiddenItems);
    QVariantList records() const;
    qsizetype count() const;
    std::optional<QVariantMap> recordAt(qsizetype row) const;
    bool isListed(const QString& feedURL) const;
    // Edits a copy of the record in row; the copy takes its place unless edit
    // answers false. False when there is no such row or the edit was refused.
    bool updateRecord(qsizetype row, const std::function<bool(QVariantMap&)>& edit);
    // The same, for the first record of the feed.
    bool updateRecordOf(const QString& feedURL, const std::function<bool(QVariantMap&)>& edit);
    // Adds a record at the end; returns its row.
    qsizetype append(const QVariantMap& record);
    // Adds the records whose URL is not listed yet, in order; returns those added.
    QVariantList appendUnlisted(const QVariantList& records);
    // Removes rows (ascending, out-of-range ones ignored).
    void removeRows(const QList<int>& rows);
    // A new record for a web address, unless that exact URL is listed.
    bool subscribe(const QString& feedURL, int minutes);
    // The feed's record leaves the list; its signs are handed back to be taken off.
    QList<PNSignRef> unsubscribe(const QString& feedURL);
    // Puts a record that left back at row (or at the end, when the list has
    // become shorter), unless its URL is listed again meanwhile.
    bool reinstate(qsizetype row, const QVariantMap& record);
    // The channel's time-to-live becomes the feed's interval. True when the record changed.
    bool adoptTimeToLive(const QString& feedURL, int minutes);
    // A page that named its feed: the record takes the feed's URL, and the hidden
    // items and the entry follow; the page's signs are handed back in *pageSigns.
    PageFeedAdoption adoptPageFeed(const QString& pageURL, const QString& feedURL,
                                   QList<PNSignRef>* pageSigns);
    // Page and feed URLs moved by adoptPageFeed since the last call.
    QList<QPair<QString, QString>> takeMovedAddresses();

    // ---- Hidden items ----
    QVariantList hiddenItems(const QString& feedURL) const;
    bool hasHiddenItems(const QString& feedURL) const;
    // The whole table: feed URL to the guid texts hidden from it.
    QVariantMap hiddenItemsByFeed() const;
    // Adds the guid to the feed's hidden items and takes the sign whose action
    // string is action out of the feed's signs; returns that sign, if any.
    PNSignRef hideItem(const QString& feedURL, const QString& guid, const QString& action);
    void clearHiddenItems();
    // The feed's hidden items come back with its record (an undone
    // unsubscribe); nothing when there are none.
    void restoreHiddenItems(const QString& feedURL, const QVariantList& hiddenItems);

    // ---- Feed dictionaries and their signs ----
    // The feed's dictionary as published; none before any update made its entry.
    std::optional<FeedDictionary> feed(const QString& feedURL) const;
    // Creates the feed's entry on first use. Returns whether it holds a parsed
    // document and, in *onTicker, whether signs of it are shown.
    bool prepareEntry(const QString& feedURL, bool* onTicker);
    // The entry takes the new channel and items (unless keepDictionary) and, while
    // the feed is listed, the new signs; the signs it held before are handed back
    // in *previous. False (and nothing shown) when the feed left the list.
    bool publish(const QString& feedURL, FeedDictionary&& parsed, bool keepDictionary,
                 QList<PNSignRef>* previous);
    // How many item signs of the feed are shown.
    int shownItemCount(const QString& feedURL) const;
    // Drops the feed's entry, dictionary and record of signs; the caller takes
    // the signs off.
    void forget(const QString& feedURL);
    // Every listed feed's signs, taken out of the store.
    QList<PNSignRef> takeShownSigns();

    // ---- Store to settings ----
    // Puts the working list or table itself into the settings: from then until the
    // next load, every change of it is written there by feedsDidChange/hiddenItemsDidChange.
    void storeFeeds(PluginPreferences& preferences);
    void storeHiddenItems(PluginPreferences& preferences);
    void feedsDidChange(PluginPreferences& preferences);
    void hiddenItemsDidChange(PluginPreferences& preferences);

  private:
    qsizetype rowOf(const QString& feedURL) const;
    // The list changed: the index of rows by URL is made again when next asked.
    void listDidChange() { rows_.reset(); }

    QVariantList feeds_;
    mutable std::optional<QHash<QString, qsizetype>> rows_;
    QVariantMap hiddenItems_;
    std::optional<QHash<QString, FeedDictionary>> dictionaries_;
    QList<QPair<QString, QString>> movedAddresses_;
    bool feedsStored_ = false;
    bool hiddenItemsStored_ = false;
};
