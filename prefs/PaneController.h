#pragma once
#include "core/InterfacePart.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class FeedStore;
class FeedTableModel;
class PluginPreferences;
class SourceStatusReport;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QWidget;

// The preferences pane: the feed table (the working list, edited in place), the
// buttons that add, remove, import and export feeds, and the two display
// settings. It comes from the interface file the first time the pane is asked
// for. Main thread.
class PaneController : public QObject {
    Q_OBJECT
  public:
    // The feed list's transfer to and from OPML files, which the plug-in does.
    struct Transfer {
        std::function<QString(const QString& path, bool* ok)> importFeeds;
        std::function<QString(const QString& path, bool* ok)> exportFeeds;
    };
    PaneController(FeedStore& store, PluginPreferences& preferences, const SourceStatusReport& status,
                   BundleSource bundle, Transfer transfer);
    ~PaneController() override;

    struct Outlets {
        QWidget* prefPaneView = nullptr;
        QTableView* feedTable = nullptr;
        QPushButton* addFeedButton = nullptr;
        QPushButton* removeFeedButton = nullptr;
        QLabel* feedListReportLabel = nullptr; // what the last import or export did
        QCheckBox* useTTLCheckBox = nullptr;
        QLineEdit* titleLengthText = nullptr;
        QSpinBox* titleLengthStepper = nullptr;
    };
    // Loads the pane unless it is loaded; false when it cannot be.
    bool load();
    bool isLoaded() const { return part_.isLoaded(); }
    const Outlets& outlets() const { return outlets_; }
    const QString& loadError() const { return part_.error(); }
    // The pane's view, loaded on first use; none when it cannot be loaded.
    QWidget* mainView();

    // The pane is about to show: its controls show the settings and the list.
    void willSelect();
    void updateUseTTL();
    void updateTitleLength();
    // The list or the feeds' status changed behind the table's back.
    void reloadTable();
    void feedTableStatusDidChange();

    // ---- Feed table data source and delegate ----
    int numberOfRowsInTableView(QTableView* table);
    QVariant tableViewObjectValueForTableColumn(QTableView* table, const QString& column, int row);
    void tableViewSetObjectValue(QTableView* table, const QVariant& value, const QString& column, int row);
    void tableViewSelectionDidChange(QTableView* table);
    QVariantMap sourceStatusOfRow(int row) const;

  public slots:
    // Actions the interface file connects; each takes its sender.
    void changeUseTTL(QObject* sender);
    void changeTitleLength(QObject* sender);
    void resetBlockedItems(QObject* sender);
    void addFeedToTable(QObject* sender);
    void removeFeedFromTable(QObject* sender);
    void importFeedList(QObject* sender);
    void exportFeedList(QObject* sender);

  private:
    void showFeedListReport(const QString& message, bool ok);

    FeedStore& store_;
    PluginPreferences& preferences_;
    const SourceStatusReport& status_;
    InterfacePart part_;
    Transfer transfer_;
    Outlets outlets_;
    FeedTableModel* model_ = nullptr;
};
