#include "app/shared/SettingsFile.h"
#include "tests/app/WindowTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString kA = QStringLiteral("org.example.a");
const QString kN = QStringLiteral("n");

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
        settings.dictionaryFor(kA).insert(kN, 3);
        settings.dictionaryFor(QStringLiteral("org.example.b"))
            .insert(QStringLiteral("list"), QVariantList{1, 2});
        EXPECT_TRUE(settings.save().isEmpty()); // the folders are made
        EXPECT_TRUE(settings.existed());
    }
    SettingsFile again(path);
    EXPECT_TRUE(again.load().isEmpty());
    EXPECT_EQ(again.dictionaryFor(kA).value(kN).toInt(), 3);
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
        writeFile(path, bad);
        SettingsFile settings(path);
        const QString notice = settings.load();
        EXPECT_TRUE(notice.contains(QStringLiteral("moved to"))) << notice.toStdString();
        const QStringList moved = asides(dir);
        ASSERT_EQ(moved.size(), 1);
        EXPECT_EQ(readFile(dir.filePath(moved.first())), bad);
        EXPECT_TRUE(settings.dictionaryFor(kA).isEmpty());
        settings.dictionaryFor(kA).insert(kN, 2);
        EXPECT_TRUE(settings.save().isEmpty());
        EXPECT_EQ(readFile(dir.filePath(moved.first())), bad); // the set-aside copy stays as it was
        EXPECT_EQ(QJsonDocument::fromJson(readFile(path)).object().value(kA).toObject().value(kN), 2);
    }
}

TEST(SettingsFile, WrongTypedEntriesStartEmptyAndTheFileIsCopiedFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    const QByteArray original =
        R"({"org.example.good": {"k": "v"}, "org.example.bad": [1, 2], "org.example.n": 5})";
    writeFile(path, original);
    SettingsFile settings(path);
    const QString notice = settings.load();
    EXPECT_TRUE(notice.contains(QStringLiteral("org.example.bad"))) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("org.example.n")));
    const QStringList copied = asides(dir);
    ASSERT_EQ(copied.size(), 1);
    EXPECT_EQ(readFile(dir.filePath(copied.first())), original);
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
    writeFile(path + QStringLiteral("/keep"), "mine");
    SettingsFile settings(path);
    const QString notice = settings.load();
    EXPECT_FALSE(notice.isEmpty());
    settings.dictionaryFor(kA).insert(kN, 1);
    EXPECT_FALSE(settings.save().isEmpty());
    EXPECT_EQ(readFile(path + QStringLiteral("/keep")), "mine");
}

TEST(SettingsFile, FailedSaveReportsAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/settings.json"));
    SettingsFile settings(path);
    settings.load();
    settings.dictionaryFor(kA).insert(kN, 1);
    ASSERT_TRUE(settings.save().isEmpty());
    // The folder turns into a file: nothing can be written there any more.
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively());
    writeFile(dir.filePath(QStringLiteral("sub")), "in the way");
    settings.dictionaryFor(kA).insert(kN, 2);
    const QString problem = settings.save();
    EXPECT_TRUE(problem.startsWith(QStringLiteral("cannot write the settings file")))
        << problem.toStdString();
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("sub"))), "in the way");
}

// Entries nobody changed are written back as they were read: integers beyond 64
// bits (which JSON readers turn into doubles) keep every digit, and a file with
// nothing changed is not written at all.
TEST(SettingsFile, WritesOnlyChangesAndKeepsNumbersNobodyChanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    const QByteArray original =
        R"({"org.example.a":{"n":1,"big":12345678901234567890,"nested":{"list":[-123456789012345678901234567890,)"
        R"( 2.5, "12345678901234567890"]}},"org.example.b":{"k":"v"}})";
    writeFile(path, original);
    {
        SettingsFile settings(path);
        EXPECT_TRUE(settings.load().isEmpty());
        const QVariant big = settings.dictionaryFor(kA).value(QStringLiteral("big"));
        EXPECT_EQ(big.toString(), QStringLiteral("12345678901234567890"));
        EXPECT_DOUBLE_EQ(big.toDouble(), 12345678901234567890.0);
        EXPECT_TRUE(big.toBool());
        settings.dictionaryFor(QStringLiteral("org.example.b")); // asked for, not changed
        EXPECT_TRUE(settings.save().isEmpty());
        EXPECT_EQ(readFile(path), original) << "nothing changed: the file is not rewritten";

        settings.dictionaryFor(kA).insert(kN, 2);
        EXPECT_TRUE(settings.save().isEmpty());
    }
    const QByteArray saved = readFile(path);
    EXPECT_NE(saved, original);
    for (const char* kept :
         {"12345678901234567890", "-123456789012345678901234567890", "2.5", "\"12345678901234567890\""})
        EXPECT_TRUE(saved.contains(kept)) << kept << "\n" << saved.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(saved).object().value(kA).toObject().value(kN), 2);

    // Read again and saved unchanged, the file stays byte for byte.
    SettingsFile again(path);
    EXPECT_TRUE(again.load().isEmpty());
    EXPECT_TRUE(again.save().isEmpty());
    EXPECT_EQ(readFile(path), saved);
}

// Two writers of one file (a ticker, and an import run beside it): neither drops
// what the other wrote. A value only one changed is merged; a value both changed
// is not written over.
TEST(SettingsFile, ChangesAnotherWriterMadeAreMergedNeverOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    writeFile(path, R"({"org.example.a":{"n":1,"feeds":["one"]},"org.example.b":{"k":"v"}})");
    SettingsFile ticker(path);
    ASSERT_TRUE(ticker.load().isEmpty());
    QVariantMap& tickerA = ticker.dictionaryFor(kA);
    {
        SettingsFile importer(path);
        ASSERT_TRUE(importer.load().isEmpty());
        importer.dictionaryFor(kA).insert(QStringLiteral("feeds"), QVariantList{"one", "two"});
        importer.dictionaryFor(QStringLiteral("org.example.c")).insert(kN, 3);
        ASSERT_TRUE(importer.save().isEmpty());
    }
    tickerA.insert(kN, 2);
    EXPECT_TRUE(ticker.save().isEmpty());
    EXPECT_EQ(ticker.mergedIdentifiers(), (QStringList{kA, QStringLiteral("org.example.c")}));
    EXPECT_EQ(&ticker.dictionaryFor(kA), &tickerA) << "a plug-in's dictionary stays where it was";
    EXPECT_EQ(tickerA.value(QStringLiteral("feeds")).toList().size(), 2) << "taken in";
    const QJsonObject saved = QJsonDocument::fromJson(readFile(path)).object();
    EXPECT_EQ(saved.value(kA).toObject().value(kN), 2);
    EXPECT_EQ(saved.value(kA).toObject().value("feeds").toArray().size(), 2);
    EXPECT_EQ(saved.value("org.example.c").toObject().value(kN), 3);
    EXPECT_EQ(saved.value("org.example.b").toObject().value("k"), "v");

    // Both change the same value: the other's stays and the save says why.
    {
        SettingsFile importer(path);
        ASSERT_TRUE(importer.load().isEmpty());
        importer.dictionaryFor(kA).insert(kN, 10);
        ASSERT_TRUE(importer.save().isEmpty());
    }
    const QByteArray theirs = readFile(path);
    tickerA.insert(kN, 20);
    const QString problem = ticker.save();
    EXPECT_TRUE(problem.contains(QStringLiteral("another program changed org.example.a: n")))
        << problem.toStdString();
    EXPECT_EQ(readFile(path), theirs);
}

TEST(SettingsFile, SaveWaitsForAnotherWritersLockAndLeavesNoFileBehind) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    SettingsFile settings(path);
    settings.load();
    settings.dictionaryFor(kA).insert(kN, 1);
    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0);
    const QString refused = settings.save();
    EXPECT_TRUE(refused.contains(QStringLiteral("another program holds it"))) << refused.toStdString();
    EXPECT_TRUE(readFile(path).isEmpty());
    ::close(folder);
    EXPECT_TRUE(settings.save().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.json"});
}

TEST(SettingsFile, DefaultPathFollowsTheConfigHomeAndFallsBackToTheHomeFolder) {
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME"), savedHome = qgetenv("HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    QTemporaryDir dir;
    qputenv("HOME", dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("conf")).toLocal8Bit());
    EXPECT_EQ(SettingsFile::defaultPath(), dir.filePath(QStringLiteral("conf/pennant/settings.json")));
    for (const bool set : {false, true}) {
        // Unset and set but empty mean the same: the home folder's .config.
        if (set)
            qputenv("XDG_CONFIG_HOME", QByteArray());
        else
            qunsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(SettingsFile::defaultPath(), dir.filePath(QStringLiteral(".config/pennant/settings.json")));
    }
    qputenv("HOME", savedHome);
    if (hadConfig)
        qputenv("XDG_CONFIG_HOME", savedConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
}
