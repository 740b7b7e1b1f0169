#include "prefs/PaneController.h"

#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "platform/AlertSound.h"
#include "platform/FileChooser.h"
#include "platform/SystemLog.h"
#include "platform/TypedAddress.h"
#include "prefs/FeedTableModel.h"

#include <QItemSelectionModel>
#include <QLabel>
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

int PaneController::numberOfRowsInTableView(QTableView*) {
    platform::systemLog(QStringLiteral("count feeds"));
    return int(store_.count());
}

QVariant PaneController::tableViewObjectValueForTableColumn(QTableView*, const QString& column, int row) {
    platform::systemLog(QStringLiteral("get value"));
    const std::optional<QVariantMap> record = store_.recordAt(row);
    return record ? record->value(column) : QVariant();
}

void PaneController::tableViewSetObjectValue(QTableView*, const QVariant& value, const QString& column,
                                             int row) {
    platform::systemLog(QStringLiteral("set value to %1").arg(value.toString()));
    bool refused = false;
    // The record is replaced by a copy: the settings' own list keeps its record.
    const bool changed = store_.updateRecord(row, [&](QVariantMap& record) {
        QVariant stored = value;
        if (column == recordkeys::kURL && record.value(column) != value) {
            // A typed address is made whole ("example.org/feed" is https); what is
            // no URL at all leaves the cell as it was.
            const std::optional<QString> address = platform::typedFeedAddress(value.toString());
            refused = !address;
            stored = address.value_or(QString());
        }
        if (refused) return false;
        record.insert(column, stored);
        return true;
    });
    if (refused) {
        platform::beep();
        return;
    }
    if (changed) store_.feedsDidChange(preferences_);
}

void PaneController::tableViewSelectionDidChange(QTableView* table) {
    platform::systemLog(QStringLiteral("selection changed"));
    if (outlets_.removeFeedButton) outlets_.removeFeedButton->setEnabled(selectedRow(table) >= 0);
}

void PaneController::addFeedToTable(QObject*) {
    platform::systemLog(QStringLiteral("add feed"));
    const qsizetype row = store_.append(QVariantMap{{recordkeys::kURL, QStringLiteral("http://")},
                                                    {recordkeys::kInterval, limits::kDefaultInterval},
                                                    {recordkeys::kEnabled, true}});
    store_.feedsDidChange(preferences_);
    if (model_) {
        model_->reloadData();
        model_->editAddress(int(row));
    }
}

void PaneController::removeFeedFromTable(QObject*) {
    platform::systemLog(QStringLiteral("remove feed"));
    const QList<int> rows = selectedRows(outlets_.feedTable);
    if (rows.isEmpty()) return;
    store_.removeRows(rows);
    store_.feedsDidChange(preferences_);
    if (model_) model_->reloadData();
}

namespace {
const QString kOpmlFilter = QStringLiteral("OPML files (*.opml *.xml);;All files (*)");
} // namespace

void PaneController::importFeedList(QObject*) {
    const std::optional<QString> path = platform::chooseFile(
        platform::FileChoice::Open, outlets_.prefPaneView, QStringLiteral("Import Feeds"), kOpmlFilter);
    if (!path || !transfer_.importFeeds) return;
    bool ok = false;
    showFeedListReport(transfer_.importFeeds(*path, &ok), ok);
}

void PaneController::exportFeedList(QObject*) {
    const std::optional<QString> path =
        platform::chooseFile(platform::FileChoice::Save, outlets_.prefPaneView,
                             QStringLiteral("Export Feeds"), kOpmlFilter, QStringLiteral("opml"));
    if (!path || !transfer_.exportFeeds) return;
    bool ok = false;
    showFeedListReport(transfer_.exportFeeds(*path, &ok), ok);
}

void PaneController::showFeedListReport(const QString& message, bool ok) {
    platform::systemLog(message);
    if (outlets_.feedListReportLabel) outlets_.feedListReportLabel->setText(message);
    if (!ok) platform::beep();
}
