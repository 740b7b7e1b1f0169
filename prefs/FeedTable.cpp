#include "core/NewsreelPlugin.h"

#include "platform/AlertSound.h"
#include "platform/SystemLog.h"
#include "platform/TypedAddress.h"
#include "prefs/FeedTableModel.h"

#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <algorithm>

namespace {
int selectedRow(QTableView* table) {
    if (!table || !table->selectionModel()) return -1;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    if (!rows.isEmpty()) return rows.first().row();
    const QModelIndex current = table->selectionModel()->currentIndex();
    return table->selectionModel()->hasSelection() && current.isValid() ? current.row() : -1;
}

// Every selected row, ascending; the selected row alone when no whole row is.
QList<int> selectedRows(QTableView* table) {
    QList<int> rows;
    if (table && table->selectionModel())
        for (const QModelIndex& index : table->selectionModel()->selectedRows())
            rows.append(index.row());
    if (rows.isEmpty() && selectedRow(table) >= 0) rows.append(selectedRow(table));
    std::sort(rows.begin(), rows.end());
    return rows;
}
} // namespace

int NewsreelPlugin::numberOfRowsInTableView(QTableView*) {
    platform::systemLog(QStringLiteral("count feeds"));
    std::lock_guard lock(dataMutex);
    return int(feeds.size());
}

QVariant NewsreelPlugin::tableViewObjectValueForTableColumn(QTableView*, const QString& column, int row) {
    platform::systemLog(QStringLiteral("get value"));
    std::lock_guard lock(dataMutex);
    if (row < 0 || row >= feeds.size()) return {};
    return feeds.at(row).toMap().value(column);
}

void NewsreelPlugin::tableViewSetObjectValue(QTableView*, const QVariant& value, const QString& column,
                                             int row) {
    platform::systemLog(QStringLiteral("set value to %1").arg(value.toString()));
    bool refused = false;
    {
        std::lock_guard lock(dataMutex);
        if (row < 0 || row >= feeds.size()) return;
        // The record is replaced by a copy: the settings' own list keeps its record.
        QVariantMap record = feeds.at(row).toMap();
        QVariant stored = value;
        if (column == QLatin1String("url") && record.value(column) != value) {
            // A typed address is made whole ("example.org/feed" is https); what is
            // no URL at all leaves the cell as it was.
            const std::optional<QString> address = platform::typedFeedAddress(value.toString());
            refused = !address;
            stored = address.value_or(QString());
        }
        if (!refused) {
            record.insert(column, stored);
            feeds[row] = record;
        }
    }
    if (refused) {
        platform::beep();
        return;
    }
    feedsDidChange();
}

void NewsreelPlugin::tableViewSelectionDidChange(QTableView* table) {
    platform::systemLog(QStringLiteral("selection changed"));
    if (removeFeedButton) removeFeedButton->setEnabled(selectedRow(table) >= 0);
}

void NewsreelPlugin::addFeedToTable(QObject*) {
    platform::systemLog(QStringLiteral("add feed"));
    {
        std::lock_guard lock(dataMutex);
        feeds.append(QVariantMap{{QStringLiteral("url"), QStringLiteral("http://")},
                                 {QStringLiteral("interval"), 60},
                                 {QStringLiteral("enabled"), true}});
    }
    feedsDidChange();
    if (feedTableModel) {
        feedTableModel->reloadData();
        feedTableModel->editAddress(int(feeds.size()) - 1);
    }
}

void NewsreelPlugin::removeFeedFromTable(QObject*) {
    platform::systemLog(QStringLiteral("remove feed"));
    QList<int> rows = selectedRows(feedTable);
    if (rows.isEmpty()) return;
    {
        std::lock_guard lock(dataMutex);
        // From the last, so the earlier indexes stay right.
        for (auto row = rows.crbegin(); row != rows.crend(); ++row)
            if (*row < feeds.size()) feeds.removeAt(*row);
    }
    feedsDidChange();
    if (feedTableModel) feedTableModel->reloadData();
}

void NewsreelPlugin::feedTableStatusDidChange() {
    if (feedTableModel) feedTableModel->refreshStatusColumns();
}

void NewsreelPlugin::feedAddressesDidChange() {
    QList<QPair<QString, QString>> moved;
    {
        std::lock_guard lock(dataMutex);
        moved.swap(movedFeedAddresses);
    }
    if (moved.isEmpty()) return;
    // A page's timer goes on with its feed's URL, at the same pace; it does not
    // fire now, the feed having just been read.
    for (const auto& [from, to] : moved)
        if (timers)
            for (std::shared_ptr<platform::Timer>& timer : *timers)
                if (timer && timer->isValid() && timer->userInfo().toString() == from) {
                    const double seconds = timer->timeInterval();
                    timer->invalidate();
                    timer = scheduleFeedTimer(seconds, to);
                }
    storeFeeds(); // the settings are saved
    bool hidden = false;
    {
        std::lock_guard lock(dataMutex);
        for (const auto& move : moved)
            hidden = hidden || ignored.contains(move.second);
    }
    if (hidden) storeIgnored(); // the markers moved with the URL
    if (feedTableModel) feedTableModel->reloadData();
}
