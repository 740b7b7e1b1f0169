#pragma once
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QUiLoader;
class QWidget;

namespace platform {

// A plug-in's bundle: a folder holding its module, its interface files and its
// string table ("Localizable.json", a flat object of key to text).
class Bundle {
  public:
    Bundle(QString path, QString identifier);
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    const QString& bundlePath() const { return path_; }
    const QString& bundleIdentifier() const { return identifier_; }

    // The text for key in the string table (only the default table exists); a
    // missing key gives value when it is not empty, else the key itself.
    QString localizedStringForKey(const QString& key, const QString& value, const QString& table = {}) const;

    // An outlet of the interface file's owner: set() receives the object of that
    // name and answers false when it is not of the outlet's kind.
    struct Outlet {
        QString name;
        std::function<bool(QObject*)> set;
    };

    // Loads NAME.ui from the bundle with owner as its owner: sets every outlet and
    // connects every control that names an action (its "action" property) to the
    // owner's slot of that name taking the sender (QObject*). Returns the root
    // widget (owned by the caller), or null with error set naming what failed.
    // With parts, only those of the root's widgets are built (see interfacePart).
    QWidget* loadNibNamed(const QString& name, QObject* owner, const QList<Outlet>& outlets, QString* error,
                          const QStringList& parts = {}) const;

  private:
    void loadStrings() const;

    QString path_;
    QString identifier_;
    std::unique_ptr<QUiLoader> loader_;
    mutable bool stringsLoaded_ = false;
    mutable QHash<QString, QString> strings_;
};

// Typed outlet binding: Outlet{"name", bindTo(field)}.
template <typename T> std::function<bool(QObject*)> bindTo(T*& field) {
    return [&field](QObject* object) {
        field = qobject_cast<T*>(object);
        return field != nullptr;
    };
}

} // namespace platform
