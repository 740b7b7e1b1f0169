#include "prefs/PaneController.h"

#include "core/FeedStore.h"
#include "core/PluginPreferences.h"
#include "core/SettingsKeys.h"
#include "core/SourceStatusReport.h"
#include "platform/Values.h"
#include "prefs/FeedTableModel.h"

#include <QCheckBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyleOptionSpinBox>
#include <QTableView>
#include <algorithm>

PaneController::PaneController(FeedStore& store, PluginPreferences& preferences,
                               const SourceStatusReport& status, BundleSource bundle, Transfer transfer)
    : store_(store), preferences_(preferences), status_(status),
      part_(std::move(bundle), {QStringLiteral("prefPaneView")}), transfer_(std::move(transfer)) {}

PaneController::~PaneController() = default;

bool PaneController::load() {
    if (part_.attempted()) return part_.isLoaded();
    using platform::bindTo;
    Outlets& o = outlets_;
    if (!part_.load(this, {{QStringLiteral("prefPaneView"), bindTo(o.prefPaneView)},
                           {QStringLiteral("feedTable"), bindTo(o.feedTable)},
                           {QStringLiteral("addFeedButton"), bindTo(o.addFeedButton)},
                           {QStringLiteral("removeFeedButton"), bindTo(o.removeFeedButton)},
                           {QStringLiteral("feedListReportLabel"), bindTo(o.feedListReportLabel)},
                           {QStringLiteral("useTTLCheckBox"), bindTo(o.useTTLCheckBox)},
                           {QStringLiteral("titleLengthText"), bindTo(o.titleLengthText)},
                           {QStringLiteral("titleLengthStepper"), bindTo(o.titleLengthStepper)}}))
        return false;
    model_ = new FeedTableModel(this, o.feedTable);
    // The field accepts what the stepper can reach.
    o.titleLengthStepper->setRange(limits::kMinTitleLength, limits::kMaxTitleLength);
    o.titleLengthText->setValidator(
        new QIntValidator(limits::kMinTitleLength, limits::kMaxTitleLength, o.titleLengthText));
    sizeTitleLengthControls();
    return true;
}

void PaneController::sizeTitleLengthControls() {
    // Room for the longest length in the field's own font, whatever the screen's
    // scale; the stepper beside it is its arrows alone.
    QLineEdit* field = outlets_.titleLengthText;
    const QString widest = QString(QString::number(limits::kMaxTitleLength).size(), u'0');
    QStyleOptionFrame frame;
    frame.initFrom(field);
    frame.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field);
    const QMargins margins = field->textMargins();
    // The line edit's own inner margin and its cursor.
    const QSize text(field->fontMetrics().horizontalAdvance(widest) + margins.left() + margins.right() + 6,
                     field->fontMetrics().height());
    field->setFixedWidth(field->style()->sizeFromContents(QStyle::CT_LineEdit, &frame, text, field).width());
    field->setAlignment(Qt::AlignRight);

    QSpinBox* stepper = outlets_.titleLengthStepper;
    QStyleOptionSpinBox box;
    box.initFrom(stepper);
    box.buttonSymbols = stepper->buttonSymbols();
    box.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
    box.rect = QRect(0, 0, 200, field->sizeHint().height());
    const QRect up =
        stepper->style()->subControlRect(QStyle::CC_SpinBox, &box, QStyle::SC_SpinBoxUp, stepper);
    const int stepperWidth = box.rect.right() - up.left() + 1;
    stepper->setMaximumWidth(QWIDGETSIZE_MAX);
    stepper->setFixedWidth(std::max(stepperWidth, stepper->fontMetrics().height()));
}

QWidget* PaneController::mainView() {
    return load() ? outlets_.prefPaneView : nullptr;
}

void PaneController::willSelect() {
    if (!load()) return;
    updateUseTTL();
    updateTitleLength();
    model_->reloadData();
}

void PaneController::reloadTable() {
    if (model_) model_->reloadData();
}

void PaneController::feedTableStatusDidChange() {
    if (model_) model_->refreshStatusColumns();
}

QVariantMap PaneController::sourceStatusOfRow(int row) const {
    return status_.sourceStatusOfRow(row);
}

void PaneController::changeUseTTL(QObject* sender) {
    auto* box = qobject_cast<QCheckBox*>(sender);
    if (!box) return;
    const Qt::CheckState state = box->checkState();
    if (state == Qt::PartiallyChecked) return;
    const bool on = state == Qt::Checked;
    preferences_.setUseTTL(on);
    preferences_.storeSetting(settingkeys::kUseTTL, on);
}

void PaneController::changeTitleLength(QObject* sender) {
    int n = 0;
    if (auto* field = qobject_cast<QLineEdit*>(sender)) {
        // The field's validator keeps typed values to the stepper's range; a value
        // that does not pass leaves everything as it was.
        if (!field->hasAcceptableInput()) {
            updateTitleLength();
            return;
        }
        n = platform::intValueOfText(field->text());
    } else if (auto* spin = qobject_cast<QSpinBox*>(sender)) {
        n = spin->value();
    } else {
        return;
    }
    preferences_.setTitleLength(n);
    if (outlets_.titleLengthText) outlets_.titleLengthText->setText(QString::number(n));
    preferences_.storeSetting(settingkeys::kTitleLength, n);
}

void PaneController::resetBlockedItems(QObject*) {
    store_.clearHiddenItems();
    store_.storeHiddenItems(preferences_);
}

void PaneController::updateUseTTL() {
    if (!outlets_.useTTLCheckBox) return;
    QSignalBlocker block(outlets_.useTTLCheckBox);
    outlets_.useTTLCheckBox->setCheckState(preferences_.useTTL() ? Qt::Checked : Qt::Unchecked);
}

void PaneController::updateTitleLength() {
    const int value = platform::intValue(preferences_.value(settingkeys::kTitleLength));
    if (outlets_.titleLengthText) {
        QSignalBlocker block(outlets_.titleLengthText);
        outlets_.titleLengthText->setText(QString::number(value));
    }
    if (outlets_.titleLengthStepper) {
        QSignalBlocker block(outlets_.titleLengthStepper);
        outlets_.titleLengthStepper->setValue(value);
    }
}
