// `pane …` commands: drive a plug-in's preferences pane as a user would.
#include "app/headless/HeadlessHost.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QWidget>

namespace {

QWidget* paneView(HeadlessHost& host) {
    LoadedPlugin* p = host.firstPlugin();
    if (!p || !p->pane) return nullptr;
    return p->pane->mainView();
}

template <typename T> T* paneControl(HeadlessHost& host, const QString& name) {
    QWidget* view = paneView(host);
    if (!view) return nullptr;
    return view->findChild<T*>(name);
}

// Button states as the pane speaks of them: 0 off, 1 on, 2 mixed.
int buttonState(Qt::CheckState state) {
    return state == Qt::Checked ? 1 : state == Qt::Unchecked ? 0 : 2;
}
Qt::CheckState checkState(int buttonState) {
    return buttonState == 1 ? Qt::Checked : buttonState == 0 ? Qt::Unchecked : Qt::PartiallyChecked;
}

void dumpPane(HeadlessHost& host) {
    QWidget* view = paneView(host);
    if (!view) return host.error(QStringLiteral("the plug-in has no pane"));
    auto* box = view->findChild<QCheckBox*>(QStringLiteral("useTTLCheckBox"));
    auto* field = view->findChild<QLineEdit*>(QStringLiteral("titleLengthText"));
    auto* table = view->findChild<QTableView*>(QStringLiteral("feedTable"));
    auto* remove = view->findChild<QAbstractButton*>(QStringLiteral("removeFeedButton"));
    QJsonArray rows;
    int selected = -1;
    if (table && table->model()) {
        const QStringList ids = table->property("columnIdentifiers").toStringList();
        QAbstractItemModel* model = table->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            QJsonObject row;
            for (int c = 0; c < ids.size(); ++c) {
                const QModelIndex index = model->index(r, c);
                const QVariant value = ids.at(c) == QLatin1String("enabled")
                                           ? QVariant(index.data(Qt::CheckStateRole).toInt() == Qt::Checked)
                                           : index.data(Qt::DisplayRole);
                row.insert(ids.at(c), QJsonValue::fromVariant(value));
            }
            rows.append(row);
        }
        const QModelIndexList picked =
            table->selectionModel() ? table->selectionModel()->selectedRows() : QModelIndexList();
        if (!picked.isEmpty()) selected = picked.first().row();
    }
    JsonLine line;
    line.add("event", "pane").add("useTTL", box ? buttonState(box->checkState()) : 0);
    line.add("titleLength", field ? field->text() : QString());
    line.add("rows", rows).add("selected", selected).add("removeEnabled", remove && remove->isEnabled());
    events::print(line);
}

} // namespace

void registerPaneCommands(HeadlessHost& host) {
    host.registerCommand(QStringLiteral("pane"), [&host](const QStringList& args, const QString&) {
        LoadedPlugin* p = host.firstPlugin();
        if (!p || !p->pane || !p->pane->hasPrefsPane())
            return host.error(QStringLiteral("the plug-in has no pane"));
        const QString verb = args.value(0);
        if (verb == QLatin1String("show") && args.size() == 1) {
            host.paneShown = true;
            return p->pane->willSelect();
        }
        if (verb == QLatin1String("hide") && args.size() == 1) {
            host.paneShown = false;
            return p->pane->willUnselect();
        }
        if (verb == QLatin1String("dump") && args.size() == 1) return dumpPane(host);
        if (verb == QLatin1String("set") && args.size() == 3) {
            const QString name = args.at(1);
            bool ok = false;
            const int value = args.at(2).toInt(&ok);
            if (auto* box = paneControl<QCheckBox>(host, name)) {
                if (!ok || value < 0 || value > 2)
                    return host.error(QStringLiteral("a check box takes 0, 1 or 2"));
                box->setTristate(value == 2 || box->isTristate());
                box->setCheckState(checkState(value));
                emit box->clicked(value == 1);
                return;
            }
            if (auto* spin = paneControl<QSpinBox>(host, name)) {
                if (!ok) return host.error(QStringLiteral("%1 takes a whole number").arg(name));
                spin->setValue(value); // a change sends the action, as the arrows do
                return;
            }
            if (auto* field = paneControl<QLineEdit>(host, name)) {
                field->setText(args.at(2));
                emit field->editingFinished();
                return;
            }
            return host.error(QStringLiteral("the pane has no control %1 to set").arg(name));
        }
        if (verb == QLatin1String("press") && args.size() == 2) {
            auto* button = paneControl<QAbstractButton>(host, args.at(1));
            if (!button) return host.error(QStringLiteral("the pane has no button %1").arg(args.at(1)));
            if (!button->isEnabled()) return host.error(QStringLiteral("%1 is disabled").arg(args.at(1)));
            button->click();
            return;
        }
        if (verb == QLatin1String("select") && args.size() == 2) {
            auto* table = paneControl<QTableView>(host, QStringLiteral("feedTable"));
            bool ok = false;
            const int row = args.at(1).toInt(&ok);
            if (!table || !table->model() || !ok || row < -1 || row >= table->model()->rowCount())
                return host.error(QStringLiteral("no such row: %1").arg(args.at(1)));
            if (row < 0)
                table->selectionModel()->clearSelection();
            else
                table->selectRow(row);
            return;
        }
        if (verb == QLatin1String("edit") && args.size() >= 4) {
            auto* table = paneControl<QTableView>(host, QStringLiteral("feedTable"));
            bool ok = false;
            const int row = args.at(1).toInt(&ok);
            const QStringList ids =
                table ? table->property("columnIdentifiers").toStringList() : QStringList();
            const int column = int(ids.indexOf(args.at(2)));
            if (!table || !table->model() || !ok || row < 0 || row >= table->model()->rowCount())
                return host.error(QStringLiteral("no such row: %1").arg(args.at(1)));
            if (column < 0) return host.error(QStringLiteral("no such column: %1").arg(args.at(2)));
            const QString value = args.mid(3).join(u' ');
            const QModelIndex index = table->model()->index(row, column);
            if (args.at(2) == QLatin1String("enabled")) {
                const bool on = value == QLatin1String("1") || value == QLatin1String("true");
                table->model()->setData(index, on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
            } else if (args.at(2) == QLatin1String("interval")) {
                bool isNumber = false;
                const int minutes = value.toInt(&isNumber);
                if (!isNumber || minutes < 1 || minutes > 10080)
                    return host.error(
                        QStringLiteral("an interval is a whole number of minutes from 1 to 10080"));
                table->model()->setData(index, minutes, Qt::EditRole);
            } else {
                table->model()->setData(index, value, Qt::EditRole);
            }
            return;
        }
        host.error(QStringLiteral("pane takes show, hide, dump, set NAME VALUE, press NAME, select ROW or "
                                  "edit ROW KEY VALUE"));
    });
}
