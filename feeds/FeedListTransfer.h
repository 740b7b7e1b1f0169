#pragma once
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class FeedSchedule;
class FeedStore;
class PluginPreferences;

// The feed list carried to and from OPML files. With a settings table the file
// is read into or written from the table alone (the plug-in is not running);
// without one, the working list takes the new feeds and a running plug-in starts
// their timers. Main thread.
class FeedListTransfer {
  public:
    using StatusSource = std::function<QVariantList()>;
    FeedListTransfer(FeedStore& store, FeedSchedule& schedule, PluginPreferences& preferences,
                     StatusSource status)
        : store_(store), schedule_(schedule), preferences_(preferences), status_(std::move(status)) {}

    // Each returns the report for the user and sets *ok.
    QString importSources(const QString& path, QVariantMap* settings, bool* ok);
    QString exportSources(const QString& path, const QVariantMap* settings, bool* ok);

  private:
    FeedStore& store_;
    FeedSchedule& schedule_;
    PluginPreferences& preferences_;
    StatusSource status_;
};
