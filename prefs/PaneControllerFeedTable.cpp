#include "prefs/PaneController.h"

#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "platform/AlertSound.h"
#include "platform/FileChooser.h"
#include "platform/SystemLog.h"
#include "platform/TypedAddress.h"
#include "prefs/FeedTableModel.h"

#include <QCoreApplication>
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
    platform::systemNote(QStringLiteral("count feeds"));
    return int(store_.count());
}

QVariant PaneController::tableViewObjectValueForTableColumn(QTableView*, const QString& column, int row) {
    platform::systemNote(QStringLiteral("get value"));
    const std::optional<QVariantMap> record = store_.recordAt(row);
    return record ? record->value(column) : QVariant();
}

void PaneController::tableViewSetObjectValue(QTableView*, const QVariant& value, const QString& column,
                                             int row) {
    platform::systemNote(QStringLiteral("set value to %1").arg(value.toString()));
    QString refusal;
    // The record is replaced by a copy: the settings' own list keeps its record.
    const bool changed = store_.updateRecord(row, [&](QVariantMap& record) {
        if (column != recordkeys::kURL) {
            record.insert(column, value);
            return true;
        }
        if (record.value(column) == value) return false;
        // A typed address is made whole ("example.org/feed" is https); what is no
        // URL at all is not stored, and the one who typed it is told why.
        const std::optional<QString> address = platform::typedFeedAddress(value.toString(), &refusal);
        if (!address) return false;
        record.insert(column, *address);
        // An https the user did not type may give way to http if the site has no TLS.
        if (platform::typedWithoutScheme(value.toString()))
            record.insert(recordkeys::kSchemeGuessed, true);
        else
            record.remove(recordkeys::kSchemeGuessed);
        return true;
    });
    if (!refusal.isEmpty()) return refuseAddress(row, value.toString(), refusal);
    if (column == recordkeys::kURL) showTableMessage({});
    if (changed) store_.feedsDidChange(preferences_);
}

void PaneController::refuseAddress(int row, const QString& typed, const QString& reason) {
    // The log keeps its own words; the user reads them in the pane's language.
    platform::systemLog(QStringLiteral("\"%1\" is not a feed address: %2").arg(typed, reason));
    platform::beep();
    showTableMessage(
        QCoreApplication::translate("PaneController", "\"%1\" is not a feed address: %2").arg(typed, reason));
    // The text comes back in its cell, open for correcting.
    if (model_) model_->editAddress(row, typed);
}

void PaneController::tableViewSelectionDidChange(QTableView* table) {
    platform::systemNote(QStringLiteral("selection changed"));
    if (outlets_.removeFeedButton) outlets_.removeFeedButton->setEnabled(selectedRow(table) >= 0);
}

void PaneController::addFeedToTable(QObject*) {
    platform::systemNote(QStringLiteral("add feed"));
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
    platform::systemNote(QStringLiteral("remove feed"));
    const QList<int> rows = selectedRows(outlets_.feedTable);
    if (rows.isEmpty()) return;
    store_.removeRows(rows);
    store_.feedsDidChange(preferences_);
    if (model_) model_->reloadData();
}

namespace {
const char* const kOpmlFilter = QT_TRANSLATE_NOOP("FeedTable", "OPML files (*.opml *.xml);;All files (*)");
} // namespace

void PaneController::importFeedList(QObject*) {
    const std::optional<QString> path =
        platform::chooseFile(platform::FileChoice::Open, outlets_.prefPaneView,
                             QCoreApplication::translate("FeedTable", "Import Feeds"),
                             QCoreApplication::translate("FeedTable", kOpmlFilter));
    if (!path || !transfer_.importFeeds) return;
    bool ok = false;
    showFeedListReport(transfer_.importFeeds(*path, &ok), ok);
}

void PaneController::exportFeedList(QObject*) {
    const std::optional<QString> path =
        platform::chooseFile(platform::FileChoice::Save, outlets_.prefPaneView,
                             QCoreApplication::translate("FeedTable", "Export Feeds"),
                             QCoreApplication::translate("FeedTable", kOpmlFilter), QStringLiteral("opml"));
    if (!path || !transfer_.exportFeeds) return;
    bool ok = false;
    showFeedListReport(transfer_.exportFeeds(*path, &ok), ok);
}

void PaneController::showFeedListReport(const QString& message, bool ok) {
    platform::systemLog(message, ok ? platform::LogKind::Note : platform::LogKind::Problem);
    showTableMessage(message);
    if (!ok) platform::beep();
}

void PaneController::showTableMessage(const QString& message) {
    if (outlets_.feedListReportLabel) outlets_.feedListReportLabel->setText(message);
}
