#include "prefs/FeedTableModel.h"

#include "core/FeedRecordAddress.h"
#include "core/FeedStatus.h"
#include "core/SettingsKeys.h"
#include "platform/Values.h"
#include "prefs/PaneController.h"

#include <QApplication>
#include <QBrush>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Minutes with their fractions, written plainly ("0.5 min", "60 min").
class IntervalBox : public QDoubleSpinBox {
  public:
    using QDoubleSpinBox::QDoubleSpinBox;
    QString textFromValue(double value) const override {
        QString text = locale().toString(value, 'f', QLocale::FloatingPointShortest);
        return text.remove(locale().groupSeparator());
    }
};

// Decimals that show a stored interval as it is, within reason.
int decimalsOf(double minutes) {
    const QString text = QString::number(minutes, 'f', QLocale::FloatingPointShortest);
    const qsizetype point = text.indexOf(u'.');
    return std::clamp(point < 0 ? 0 : int(text.size() - point - 1), 2, 6);
}

// Intervals are edited in minutes, fractions too. Whatever the commands, the
// time-to-live or an earlier edit stored is shown as it is, even outside the range
// offered for typing, and the cell is written only when the user changed it.
class IntervalDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* spin = new IntervalBox(parent);
        spin->setRange(limits::kMinIntervalMinutes, limits::kMaxIntervalMinutes);
        spin->setSuffix(QCoreApplication::translate("FeedTableModel", " min"));
        return spin;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* spin = static_cast<QDoubleSpinBox*>(editor);
        // An unusable interval updates once a minute: that is what it shows.
        const double stored = platform::doubleValue(index.data(Qt::EditRole));
        const double minutes = stored > 0 ? stored : 1.0;
        spin->setDecimals(decimalsOf(minutes));
        spin->setRange(std::min<double>(limits::kMinIntervalMinutes, minutes),
                       std::max<double>(limits::kMaxIntervalMinutes, minutes));
        spin->setValue(minutes);
        spin->setProperty(kShownProperty, spin->value());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* spin = static_cast<QDoubleSpinBox*>(editor);
        spin->interpretText();
        const double minutes = spin->value();
        if (minutes == spin->property(kShownProperty).toDouble()) return;
        const bool whole = minutes == std::floor(minutes) && minutes <= double(INT_MAX);
        model->setData(index, whole ? QVariant(int(minutes)) : QVariant(minutes), Qt::EditRole);
    }

  private:
    static constexpr const char* kShownProperty = "newsreelShownInterval";
};

} // namespace

// The address column's editor; it may be handed the text to open with.
class FeedTableModel::AddressDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::optional<std::pair<int, QString>> pending;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        QStyledItemDelegate::setEditorData(editor, index);
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || !pending || pending->first != index.row()) return;
        line->setText(pending->second);
        line->selectAll();
    }
};

namespace {

QString timeText(const QVariant& iso) {
    if (iso.isNull()) return QCoreApplication::translate("FeedTableModel", "never");
    return QDateTime::fromString(iso.toString(), Qt::ISODate)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The states as the Status cell names them; the status report keeps the words.
[[maybe_unused]] const char* const kStateNames[] = {
    QT_TRANSLATE_NOOP("FeedTableModel", "pending"), QT_TRANSLATE_NOOP("FeedTableModel", "updating"),
    QT_TRANSLATE_NOOP("FeedTableModel", "ok"),      QT_TRANSLATE_NOOP("FeedTableModel", "not-modified"),
    QT_TRANSLATE_NOOP("FeedTableModel", "failed"),  QT_TRANSLATE_NOOP("FeedTableModel", "deferred")};

// When the feed is fetched next, as the tool tip says it. While the pane is shown
// the feeds are held, so there is no time: they are fetched when it is put away.
QString nextText(const QVariantMap& status, bool heldForPane) {
    const QVariant next = status.value(QStringLiteral("next"));
    if (!next.isNull()) {
        const QDateTime at = QDateTime::fromString(next.toString(), Qt::ISODate);
        const qint64 minutes = (QDateTime::currentDateTimeUtc().secsTo(at) + 59) / 60;
        const QString when = timeText(next);
        if (minutes <= 0) return when + QCoreApplication::translate("FeedTableModel", " (now)");
        return when + (minutes == 1
                           ? QCoreApplication::translate("FeedTableModel", " (in a minute)")
                           : QCoreApplication::translate("FeedTableModel", " (in %1 minutes)").arg(minutes));
    }
    if (!status.value(QStringLiteral("enabled")).toBool()) return {};
    return heldForPane
               ? QCoreApplication::translate("FeedTableModel", "as soon as the preferences are closed")
               : QCoreApplication::translate("FeedTableModel", "not while the plug-in is off");
}

// What the Status cell says, and its tool tip: the message and the times.
QVariant statusCell(const QVariantMap& status, int role, bool heldForPane) {
    const QString state = status.value(QStringLiteral("state")).toString();
    const bool failed = state == QLatin1String("failed");
    switch (role) {
    case Qt::DisplayRole:
        // Never fetched, so "pending" would promise an update that never comes.
        if (awaitsAddress(status.value(QStringLiteral("url")).toString()))
            return QCoreApplication::translate("FeedTableModel", "no address yet");
        return QCoreApplication::translate("FeedTableModel", state.toUtf8().constData());
    case Qt::ToolTipRole: {
        QStringList lines;
        const QString message = status.value(QStringLiteral("message")).toString();
        if (!message.isEmpty()) lines << message;
        lines << QCoreApplication::translate("FeedTableModel", "Items shown: %1")
                     .arg(status.value(QStringLiteral("items")).toInt());
        lines << QCoreApplication::translate("FeedTableModel", "Last attempt: %1")
                     .arg(timeText(status.value(QStringLiteral("lastAttempt"))));
        lines << QCoreApplication::translate("FeedTableModel", "Last success: %1")
                     .arg(timeText(status.value(QStringLiteral("lastSuccess"))));
        // A feed that failed is tried again then, which is what its user wants to know.
        if (const QString next = nextText(status, heldForPane); !next.isEmpty())
            lines << (failed ? QCoreApplication::translate("FeedTableModel", "Tried again: %1")
                             : QCoreApplication::translate("FeedTableModel", "Next update: %1"))
                         .arg(next);
        return lines.join(u'\n');
    }
    case Qt::ForegroundRole:
        return failed ? QVariant(QBrush(Qt::red)) : QVariant();
    case Qt::FontRole:
        if (!failed) return {};
        {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
    default:
        return {};
    }
}

// As wide as the widest state, in bold as a failure shows, with the cell's margins.
int statusWidth(const QTableView* table) {
    QFont bold = table->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int widest = 0;
    using State = FeedStatusBoard::State;
    for (State state :
         {State::Pending, State::Updating, State::Ok, State::NotModified, State::Failed, State::Deferred})
        widest =
            std::max(widest, metrics.horizontalAdvance(QCoreApplication::translate(
                                 "FeedTableModel", FeedStatusBoard::stateName(state).toUtf8().constData())));
    widest = std::max(
        widest, metrics.horizontalAdvance(QCoreApplication::translate("FeedTableModel", "no address yet")));
    const int margin = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    return widest + 2 * margin + metrics.averageCharWidth() * 2;
}

} // namespace

bool FeedTableModel::isStatusColumn(const QString& identifier) {
    return identifier == QLatin1String("title") || identifier == QLatin1String("status");
}

FeedTableModel::FeedTableModel(PaneController* pane, QTableView* table)
    : QAbstractTableModel(table), pane_(pane), table_(table) {
    identifiers_ = table->property("columnIdentifiers").toStringList();
    // The interface file's column titles, translated as its other texts are.
    for (const QString& title : table->property("columnTitles").toStringList())
        titles_ << QCoreApplication::translate("NewsreelPane", title.toUtf8().constData());
    // Rows are counted when the pane is shown (reloadData), not at load time.
    table->setModel(this);
    const int interval = columnOf(recordkeys::kInterval);
    if (interval >= 0) table->setItemDelegateForColumn(interval, new IntervalDelegate(table));
    if (const int address = columnOf(recordkeys::kURL); address >= 0) {
        addressDelegate_ = new AddressDelegate(table);
        table->setItemDelegateForColumn(address, addressDelegate_);
    }
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { pane_->tableViewSelectionDidChange(table_); });
    // The address takes the spare width; the other columns are as wide as their
    // titles, a channel's title as a short one (measuring their cells would ask
    // the data source for every row).
    QHeaderView* header = table->horizontalHeader();
    const int character = header->fontMetrics().averageCharWidth();
    for (int c = 0; c < columnCount(); ++c) {
        const QString column = columnIdentifier(c);
        header->setSectionResizeMode(c, column == recordkeys::kURL ? QHeaderView::Stretch
                                                                   : QHeaderView::Interactive);
        if (column == QStringLiteral("title"))
            header->resizeSection(c, character * 20);
        else if (column == QStringLiteral("status"))
            header->resizeSection(c, std::max(header->sectionSizeHint(c), statusWidth(table)));
        else if (column != recordkeys::kURL)
            header->resizeSection(c, header->sectionSizeHint(c) + character * 4);
    }
    table->installEventFilter(this);
}

int FeedTableModel::rowCount(const QModelIndex& parent) const {
    // Views ask for the count all the time; the data source is asked once per reload.
    return parent.isValid() ? 0 : rows_;
}

int FeedTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(identifiers_.size());
}

QVariant FeedTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const QString column = columnIdentifier(index.column());
    const bool isCheck = column == recordkeys::kEnabled;
    // Only the roles the table shows or edits reach the data source, so a repaint
    // asks once per visible cell.
    if (isCheck) {
        if (role != Qt::CheckStateRole) return {};
        const QVariant value = pane_->tableViewObjectValueForTableColumn(table_, column, index.row());
        return platform::boolValue(value) ? Qt::Checked : Qt::Unchecked;
    }
    if (isStatusColumn(column)) {
        // Not the data source's: these are not record keys, and asking for them
        // writes no log line.
        const QVariantMap status = pane_->sourceStatusOfRow(index.row());
        if (column == QLatin1String("title")) {
            const QString title = status.value(QStringLiteral("title")).toString();
            return role == Qt::DisplayRole || role == Qt::ToolTipRole ? QVariant(title) : QVariant();
        }
        return statusCell(status, role, pane_->feedsHeldForPane());
    }
    // A long address is cut in its cell; the tip shows the whole of it.
    const bool addressTip = role == Qt::ToolTipRole && column == recordkeys::kURL;
    if (role != Qt::DisplayRole && role != Qt::EditRole && !addressTip) return {};
    return pane_->tableViewObjectValueForTableColumn(table_, column, index.row());
}

bool FeedTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid()) return false;
    const QString column = columnIdentifier(index.column());
    QVariant stored = value;
    if (column == recordkeys::kEnabled) {
        if (role != Qt::CheckStateRole) return false;
        stored = value.toInt() == Qt::Checked;
    } else if (role != Qt::EditRole || isStatusColumn(column)) {
        return false;
    }
    pane_->tableViewSetObjectValue(table_, stored, column, index.row());
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags FeedTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const QString column = columnIdentifier(index.column());
    if (column == recordkeys::kEnabled)
        f |= Qt::ItemIsUserCheckable;
    else if (!isStatusColumn(column))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant FeedTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return titles_.value(section, identifiers_.value(section));
}

void FeedTableModel::reloadData() {
    // Rows are added or taken at the end and the rest refreshed, so a selection
    // survives an added row, as the user expects.
    QItemSelectionModel* selection = table_->selectionModel();
    const bool hadSelection = selection && selection->hasSelection();
    const int count = pane_->numberOfRowsInTableView(table_);
    if (count > rows_) {
        beginInsertRows({}, rows_, count - 1);
        rows_ = count;
        endInsertRows();
    } else if (count < rows_) {
        beginRemoveRows({}, count, rows_ - 1);
        rows_ = count;
        endRemoveRows();
    }
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    // Removing rows drops their selection without a signal; the delegate still
    // has to hear of it (the remove button depends on it).
    if (selection && hadSelection != selection->hasSelection()) pane_->tableViewSelectionDidChange(table_);
}

void FeedTableModel::refreshStatusColumns() {
    if (rows_ == 0) return;
    for (int c = 0; c < columnCount(); ++c)
        if (isStatusColumn(columnIdentifier(c))) emit dataChanged(index(0, c), index(rows_ - 1, c));
}

void FeedTableModel::editAddress(int row, const QString& text) {
    // A refused text is handed back while its editor is still closing: the new
    // editor opens once the view is done with the old one.
    if (!text.isEmpty()) {
        QTimer::singleShot(0, table_, [this, row, text] { openAddressEditor(row, text); });
        return;
    }
    openAddressEditor(row, {});
}

void FeedTableModel::openAddressEditor(int row, const QString& text) {
    const int address = columnOf(recordkeys::kURL);
    if (!table_->isVisible() || address < 0 || row < 0 || row >= rows_) return;
    const QModelIndex cell = index(row, address);
    table_->selectRow(row);
    table_->setCurrentIndex(cell);
    table_->scrollTo(cell);
    if (addressDelegate_ && !text.isEmpty()) addressDelegate_->pending.emplace(row, text);
    // The view selects an editor's whole text: typing replaces the placeholder.
    table_->edit(cell);
    if (addressDelegate_) addressDelegate_->pending.reset();
}

bool FeedTableModel::eventFilter(QObject* watched, QEvent* event) {
    // Keys an open cell editor did not take reach the table too: they are not the table's.
    const QWidget* focus = QApplication::focusWidget();
    const bool editing = focus && focus != table_ && table_->isAncestorOf(focus);
    if (watched == table_ && event->type() == QEvent::KeyPress && !editing) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) &&
            key->modifiers() == Qt::NoModifier && table_->selectionModel()->hasSelection()) {
            pane_->removeFeedFromTable(table_);
            return true;
        }
    }
    return QAbstractTableModel::eventFilter(watched, event);
}
