// Carrying the feed list to and from OPML files: the host's import and export,
// and the pane's buttons.
#include "core/NewsreelPlugin.h"

#include "feeds/FeedListOpml.h"
#include "platform/AlertSound.h"
#include "platform/FileChooser.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"
#include "prefs/FeedTableModel.h"

#include <QLabel>

namespace {

const QString kFeeds = QStringLiteral("feeds");
const QString kOpmlFilter = QStringLiteral("OPML files (*.opml *.xml);;All files (*)");

QString reported(const OpmlReport& report, bool* ok) {
    if (ok) *ok = report.ok;
    return report.message;
}

QVariantList storedFeeds(const QVariantMap& settings) {
    const QVariant stored = settings.value(kFeeds);
    return platform::isList(stored) ? stored.toList() : QVariantList();
}

} // namespace

QString NewsreelPlugin::importSources(const QString& path, QVariantMap* settings, bool* ok) {
    if (settings) {
        // A plug-in that has never run gets its defaults first, as at its first set-up.
        QVariantMap* held = defaults;
        setDefaults(settings);
        presetDefaults();
        setDefaults(held);
        QVariantList list = storedFeeds(*settings);
        const OpmlReport report = importOpmlFile(path, list);
        if (report.ok) settings->insert(kFeeds, list);
        return reported(report, ok);
    }
    QVariantList list;
    {
        std::lock_guard lock(dataMutex);
        list = feeds;
    }
    const qsizetype before = list.size();
    const OpmlReport report = importOpmlFile(path, list);
    if (!report.ok || list.size() == before) return reported(report, ok);
    QVariantList added;
    {
        std::lock_guard lock(dataMutex);
        // The list may have changed meanwhile (an update adopting a page's feed).
        QStringList listed;
        for (const QVariant& record : feeds)
            listed.append(platform::textValue(record.toMap().value(QStringLiteral("url"))));
        for (const QVariant& record : list.mid(before))
            if (!listed.contains(record.toMap().value(QStringLiteral("url")).toString()))
                added.append(record);
        feeds.append(added);
    }
    storeFeeds();
    if (feedTableModel) feedTableModel->reloadData();
    // A running plug-in starts the new feeds as a subscription does; an inactive
    // one makes their timers when activated.
    if (timers) {
        QList<std::shared_ptr<platform::Timer>> started;
        for (const QVariant& record : added)
            started.append(scheduleFeedTimer(timerPeriodForInterval(platform::doubleValue(
                                                 record.toMap().value(QStringLiteral("interval")))),
                                             record.toMap().value(QStringLiteral("url")).toString()));
        timers->append(started);
        for (const auto& timer : started)
            timer->fire();
    }
    return reported(report, ok);
}

QString NewsreelPlugin::exportSources(const QString& path, const QVariantMap* settings, bool* ok) {
    if (settings) return reported(exportOpmlFile(path, storedFeeds(*settings), {}), ok);
    QVariantList list;
    {
        std::lock_guard lock(dataMutex);
        list = feeds;
    }
    return reported(exportOpmlFile(path, list, sourceStatus()), ok);
}

void NewsreelPlugin::importFeedList(QObject*) {
    const std::optional<QString> path = platform::chooseFile(platform::FileChoice::Open, prefPaneView,
                                                             QStringLiteral("Import Feeds"), kOpmlFilter);
    if (!path) return;
    bool ok = false;
    showFeedListReport(importSources(*path, nullptr, &ok), ok);
}

void NewsreelPlugin::exportFeedList(QObject*) {
    const std::optional<QString> path =
        platform::chooseFile(platform::FileChoice::Save, prefPaneView, QStringLiteral("Export Feeds"),
                             kOpmlFilter, QStringLiteral("opml"));
    if (!path) return;
    bool ok = false;
    showFeedListReport(exportSources(*path, nullptr, &ok), ok);
}

void NewsreelPlugin::showFeedListReport(const QString& message, bool ok) {
    platform::systemLog(message);
    if (feedListReportLabel) feedListReportLabel->setText(message);
    if (!ok) platform::beep();
}
