#include "platform/Bundle.h"

#include "platform/InterfaceSlice.h"

#include <QAbstractButton>
#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QPointer>
#include <QSpinBox>
#include <QUiLoader>
#include <QWidget>

namespace platform {

Bundle::Bundle(QString path, QString identifier)
    : path_(std::move(path)), identifier_(std::move(identifier)) {
    // Bundles' interface files hold standard widgets only. A loader loads every
    // designer plug-in under the library paths as it is made (Qt Quick's widget
    // among them: over 6 MB resident for the life of the host), so it is made with
    // no library paths, which are put back at once. That is done here, as the host
    // loads its bundles, before any plug-in runs a thread that could look for an
    // image format in the meantime.
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    loader_ = std::make_unique<QUiLoader>();
    QCoreApplication::setLibraryPaths(libraryPaths);
    loader_->clearPluginPaths();
}

Bundle::~Bundle() = default;

void Bundle::loadStrings() const {
    if (stringsLoaded_) return;
    stringsLoaded_ = true;
    QFile file(QDir(path_).filePath(QStringLiteral("Localizable.json")));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = table.begin(); it != table.end(); ++it)
        if (it.value().isString()) strings_.insert(it.key(), it.value().toString());
}

QString Bundle::localizedStringForKey(const QString& key, const QString& value, const QString& table) const {
    if (table.isEmpty()) {
        loadStrings();
        auto it = strings_.constFind(key);
        if (it != strings_.constEnd()) return it.value();
    }
    return value.isEmpty() ? key : value;
}

namespace {

bool connectAction(QObject* control, QObject* owner, const QByteArray& slot, QString* error) {
    const QByteArray signature = slot + "(QObject*)";
    const int index = owner->metaObject()->indexOfMethod(signature.constData());
    if (index < 0) {
        *error = QStringLiteral("%1 names the action %2, which its owner does not have")
                     .arg(control->objectName(), QString::fromLatin1(slot));
        return false;
    }
    QPointer<QObject> sender(control);
    auto send = [owner, slot, sender] {
        if (sender) QMetaObject::invokeMethod(owner, slot.constData(), Q_ARG(QObject*, sender.data()));
    };
    if (auto* action = qobject_cast<QAction*>(control)) {
        QObject::connect(action, &QAction::triggered, owner, send);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        QObject::connect(spin, &QSpinBox::valueChanged, owner, send);
    } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
        QObject::connect(field, &QLineEdit::editingFinished, owner, send);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QObject::connect(button, &QAbstractButton::clicked, owner, send);
    } else {
        *error = QStringLiteral("%1 cannot send an action").arg(control->objectName());
        return false;
    }
    return true;
}

} // namespace

QWidget* Bundle::loadNibNamed(const QString& name, QObject* owner, const QList<Outlet>& outlets,
                              QString* error, const QStringList& parts) const {
    QString ignored;
    if (!error) error = &ignored;
    const QString path = QDir(path_).filePath(name + QStringLiteral(".ui"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return nullptr;
    }
    QByteArray text = file.readAll();
    if (!parts.isEmpty()) {
        text = interfacePart(QString::fromUtf8(text), parts).toUtf8();
        if (text.isEmpty()) {
            *error = QStringLiteral("cannot load %1: it has no part %2")
                         .arg(path, parts.join(QStringLiteral(", ")));
            return nullptr;
        }
    }
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    std::unique_ptr<QWidget> root(loader_->load(&buffer));
    if (!root) {
        *error = QStringLiteral("cannot load %1: %2").arg(path, loader_->errorString());
        return nullptr;
    }
    // Free-standing menus in the file are children of the root; they must stay pop-ups.
    // Re-parenting on load strips a widget's window type; menus must pop up.
    for (QMenu* menu : root->findChildren<QMenu*>())
        menu->setWindowFlags(menu->windowFlags() | Qt::Popup);

    QStringList missing;
    for (const Outlet& outlet : outlets) {
        QObject* object =
            root->objectName() == outlet.name ? root.get() : root->findChild<QObject*>(outlet.name);
        if (!object || !outlet.set(object)) missing << outlet.name;
    }
    if (!missing.isEmpty()) {
        *error = QStringLiteral("%1 lacks the outlets %2").arg(path, missing.join(QStringLiteral(", ")));
        return nullptr;
    }

    QList<QObject*> all = root->findChildren<QObject*>();
    all.prepend(root.get());
    for (QObject* object : all) {
        const QVariant action = object->property("action");
        if (!action.isValid()) continue;
        if (!connectAction(object, owner, action.toString().toLatin1(), error)) return nullptr;
    }
    return root.release();
}

} // namespace platform
