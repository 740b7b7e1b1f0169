#include "app/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList asides(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList({QStringLiteral("settings.json.corrupt-*")}, QDir::Files);
}

} // namespace

TEST(SettingsFile, DictionariesSurviveASaveAndALoad) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("deeper/pennant/settings.json"));
    {
        SettingsFile settings(path);
        EXPECT_TRUE(settings.load().isEmpty());
        EXPECT_FALSE(settings.existed());
        settings.dictionaryFor(QStringLiteral("org.example.a")).insert(QStringLiteral("n"), 3);
        settings.dictionaryFor(QStringLiteral("org.example.b"))
            .insert(QStringLiteral("list"), QVariantList{1, 2});
        EXPECT_TRUE(settings.save().isEmpty()); // the folders are made
        EXPECT_TRUE(settings.existed());
    }
    SettingsFile again(path);
    EXPECT_TRUE(again.load().isEmpty());
    EXPECT_EQ(again.dictionaryFor(QStringLiteral("org.example.a")).value(QStringLiteral("n")).toInt(), 3);
    EXPECT_EQ(
        again.dictionaryFor(QStringLiteral("org.example.b")).value(QStringLiteral("list")).toList().size(),
        2);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("deeper/pennant"))).entryList(QDir::Files),
              QStringList{QStringLiteral("settings.json")});
}

TEST(SettingsFile, CorruptFileIsMovedAsideAndNeverOverwritten) {
    for (const QByteArray& bad : {QByteArray("{\"org.example.a\": {\"n\": 1"), QByteArray("[1, 2, 3]"),
                                  QByteArray("\xff\xfe garbage")}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.json"));
        write(path, bad);
        SettingsFile settings(path);
        const QString notice = settings.load();
        EXPECT_TRUE(notice.contains(QStringLiteral("moved to"))) << notice.toStdString();
        const QStringList moved = asides(dir);
        ASSERT_EQ(moved.size(), 1);
        EXPECT_EQ(readAll(dir.filePath(moved.first())), bad);
        EXPECT_TRUE(settings.dictionaryFor(QStringLiteral("org.example.a")).isEmpty());
        settings.dictionaryFor(QStringLiteral("org.example.a")).insert(QStringLiteral("n"), 2);
        EXPECT_TRUE(settings.save().isEmpty());
        EXPECT_EQ(readAll(dir.filePath(moved.first())), bad); // the set-aside copy stays as it was
        EXPECT_EQ(QJsonDocument::fromJson(readAll(path))
                      .object()
                      .value(QStringLiteral("org.example.a"))
                      .toObject()
                      .value(QStringLiteral("n")),
                  2);
    }
}

TEST(SettingsFile, WrongTypedEntriesStartEmptyAndTheFileIsCopiedFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    const QByteArray original =
        R"({"org.example.good": {"k": "v"}, "org.example.bad": [1, 2], "org.example.n": 5})";
    write(path, original);
    SettingsFile settings(path);
    const QString notice = settings.load();
    EXPECT_TRUE(notice.contains(QStringLiteral("org.example.bad"))) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("org.example.n")));
    const QStringList copied = asides(dir);
    ASSERT_EQ(copied.size(), 1);
    EXPECT_EQ(readAll(dir.filePath(copied.first())), original);
    EXPECT_EQ(
        settings.dictionaryFor(QStringLiteral("org.example.good")).value(QStringLiteral("k")).toString(),
        QStringLiteral("v"));
    EXPECT_TRUE(settings.dictionaryFor(QStringLiteral("org.example.bad")).isEmpty());
    EXPECT_TRUE(settings.existed());
}

TEST(SettingsFile, UnreadableFileIsLeftAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    // A folder where the file should be cannot be read as one (even by root).
    ASSERT_TRUE(QDir().mkpath(path));
    write(path + QStringLiteral("/keep"), "mine");
    SettingsFile settings(path);
    const QString notice = settings.load();
    EXPECT_FALSE(notice.isEmpty());
    settings.dictionaryFor(QStringLiteral("org.example.a")).insert(QStringLiteral("n"), 1);
    EXPECT_FALSE(settings.save().isEmpty());
    EXPECT_EQ(readAll(path + QStringLiteral("/keep")), "mine");
}

TEST(SettingsFile, FailedSaveReportsAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/settings.json"));
    SettingsFile settings(path);
    settings.load();
    settings.dictionaryFor(QStringLiteral("org.example.a")).insert(QStringLiteral("n"), 1);
    ASSERT_TRUE(settings.save().isEmpty());
    // The folder turns into a file: nothing can be written there any more.
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively());
    write(dir.filePath(QStringLiteral("sub")), "in the way");
    settings.dictionaryFor(QStringLiteral("org.example.a")).insert(QStringLiteral("n"), 2);
    const QString problem = settings.save();
    EXPECT_TRUE(problem.startsWith(QStringLiteral("cannot write the settings file")))
        << problem.toStdString();
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("sub"))), "in the way");
}
