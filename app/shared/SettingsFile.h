#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

// The host's settings file: a JSON object from bundle identifier to that plug-in's
// settings dictionary. Written atomically, and only when something changed; a
// file that cannot be read as such is moved aside, never overwritten unread.
// Values nobody changed are written back as they were read, numbers included
// (see ExactJson). Another program may write the file meanwhile (an import run
// beside the ticker): a save, made under a lock on the file's folder, takes in
// what it changed and refuses to write over a value both changed.
class SettingsFile {
  public:
    explicit SettingsFile(QString path);
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // Reads the file. Returns a note for the user when something was set aside
    // (empty when all went well).
    QString load();
    // Writes every dictionary; returns an error text, or empty on success.
    QString save();
    // The identifiers whose dictionaries the last save changed to take in what
    // another program wrote; their plug-ins read their settings again.
    const QStringList& mergedIdentifiers() const { return merged_; }
    bool existed() const { return existed_; }
    const QString& path() const { return path_; }

    // The dictionary for an identifier; the reference stays valid for the life of
    // this object (plug-ins edit it in place).
    QVariantMap& dictionaryFor(const QString& identifier);
    static QString defaultPath();

  private:
    QString setAside(bool move);

    QString path_;
    bool existed_ = false;
    bool readOnly_ = false; // an unreadable file that could not be moved aside
    // The file's text for the dictionaries as they are now.
    QByteArray contents() const;

    QVariantMap snapshot() const;
    QString writeLocked(const QByteArray& bytes);
    // Brings in what another program wrote since diskBytes_; an error text when
    // it cannot be done without dropping a change.
    QString mergeFromDisk(const QByteArray& onDisk);

    QHash<QString, std::shared_ptr<QVariantMap>> dictionaries_;
    std::optional<QByteArray> written_; // what the file holds, when this object read or wrote it
    // The file's bytes when this object last read or wrote it; none: there was no file.
    std::optional<QByteArray> diskBytes_;
    QStringList merged_;
};
