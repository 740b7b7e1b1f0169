#include "core/NewsreelPlugin.h"

#include "platform/Values.h"
#include "prefs/FeedTableModel.h"

#include <QCheckBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

void NewsreelPlugin::willSelect() {
    if (active) {
        deactivate();
        active = true;
    }
    updateUseTTL();
    updateTitleLength();
    if (feedTableModel) feedTableModel->reloadData();
}

void NewsreelPlugin::willUnselect() {
    storeFeeds();
    if (active) activate();
}

void NewsreelPlugin::changeUseTTL(QObject* sender) {
    auto* box = qobject_cast<QCheckBox*>(sender);
    if (!box) return;
    const Qt::CheckState state = box->checkState();
    if (state == Qt::PartiallyChecked) return;
    const bool on = state == Qt::Checked;
    setUseTTL(on);
    storeSetting(QStringLiteral("useTTL"), on);
}

void NewsreelPlugin::changeTitleLength(QObject* sender) {
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
    setTitleLength(n);
    if (titleLengthText) titleLengthText->setText(QString::number(n));
    storeSetting(QStringLiteral("titleLength"), n);
}

void NewsreelPlugin::resetBlockedItems(QObject*) {
    {
        std::lock_guard lock(dataMutex);
        ignored.clear();
    }
    storeIgnored();
}

void NewsreelPlugin::updateUseTTL() {
    if (!useTTLCheckBox) return;
    QSignalBlocker block(useTTLCheckBox);
    useTTLCheckBox->setCheckState(useTTL ? Qt::Checked : Qt::Unchecked);
}

void NewsreelPlugin::updateTitleLength() {
    const QVariant stored = defaults ? defaults->value(QStringLiteral("titleLength")) : QVariant();
    const int value = platform::intValue(stored);
    if (titleLengthText) {
        QSignalBlocker block(titleLengthText);
        titleLengthText->setText(QString::number(value));
    }
    if (titleLengthStepper) {
        QSignalBlocker block(titleLengthStepper);
        titleLengthStepper->setValue(value);
    }
}
