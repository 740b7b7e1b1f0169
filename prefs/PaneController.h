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
        // Under the table: what the last import or export did, or why a typed
        // address was not taken.
        QLabel* feedListReportLabel = nullptr;
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
    // Whether the plug-in's feeds wait for the pane to be put away (they are fetched
    // then), as they do when it was active as the pane was shown.
    void setFeedsHeldForPane(bool held) { heldForPane_ = held; }
    bool feedsHeldForPane() const { return heldForPane_; }
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
    void sizeTitleLengthControls();
    void showFeedListReport(const QString& message, bool ok);
    void showTableMessage(const QString& message);
    void refuseAddress(int row, const QString& typed, const QString& reason);

    FeedStore& store_;
    PluginPreferences& preferences_;
    const SourceStatusReport& status_;
    InterfacePart part_;
    Transfer transfer_;
    Outlets outlets_;
    FeedTableModel* model_ = nullptr;
    bool heldForPane_ = false;
};
