#pragma once
#include <QAbstractTableModel>
#include <QStringList>

class PaneController;
class QTableView;

// Lets the feed table ask the pane, its data source and delegate, for rows and
// values, and hand edits back. Column identifiers are the record keys and come
// from the table's "columnIdentifiers" property in the interface file. It also
// gives the table its keys: Delete and Backspace remove the selected rows.
class FeedTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    FeedTableModel(PaneController* pane, QTableView* table);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString columnIdentifier(int column) const { return identifiers_.value(column); }
    int columnOf(const QString& identifier) const { return int(identifiers_.indexOf(identifier)); }
    void reloadData();
    // The read-only columns that show how each feed fared; they change with every
    // update, not with the list.
    void refreshStatusColumns();
    static bool isStatusColumn(const QString& identifier);
    // Selects the row and opens its address cell for typing, the text selected, when
    // the table is on screen; with a text, the editor holds that text (what the user
    // typed and must correct) in place of the record's.
    void editAddress(int row, const QString& text = {});

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void openAddressEditor(int row, const QString& text);

    PaneController* pane_;
    QTableView* table_;
    class AddressDelegate;
    AddressDelegate* addressDelegate_ = nullptr;
    QStringList identifiers_;
    QStringList titles_;
    int rows_ = 0;
};
