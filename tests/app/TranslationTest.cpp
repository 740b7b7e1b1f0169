// The host and the plug-in speak the language LANG names; headless mode, log
// lines and settings keys do not change with it.
#include "tests/app/PennantProcess.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/menu/MenuFixture.h"

#include "app/shared/Translations.h"
#include "app/window/PreferencesWindow.h"
#include "app/window/StripNotice.h"
#include "app/window/TickerWindow.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTableView>

namespace {

// Sets LANG (and clears what would override it) while it lives.
class LangVariable {
  public:
    explicit LangVariable(const char* value) {
        for (const char* name : kNames)
            saved_.append(qgetenv(name));
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qunsetenv("LANGUAGE");
        qputenv("LANG", value);
    }
    ~LangVariable() {
        for (int i = 0; i < 4; ++i)
            saved_.at(i).isNull() ? qunsetenv(kNames[i]) : qputenv(kNames[i], saved_.at(i));
    }
    // The language LANG names, as the system's locale reads it (no locale of the
    // C library need be generated for it).
    static QLocale locale() { return QLocale(qEnvironmentVariable("LANG").section(u'.', 0, 0)); }

  private:
    static constexpr const char* kNames[4] = {"LC_ALL", "LC_MESSAGES", "LANGUAGE", "LANG"};
    QList<QByteArray> saved_;
};

// What each language shows.
struct Language {
    const char* lang;
    QStringList hostMenu;
    QString preferencesTitle;
    QString emptyStrip;
    QString useTTL;
    QString importButton;
    QStringList columns;
    QString pendingStatus;
    QStringList infoMenu;
    QString openItem;
    QString publicationDate;
    QString language;
};

const Language kGerman{
    "de_DE.UTF-8",
    {"Fortsetzen", "Einstellungen…", "Jetzt aktualisieren", "Oben andocken", "Unten andocken", "Bildschirm",
     "Beenden"},
    "Pennant-Einstellungen",
    "Noch keine Nachrichten — Rechtsklick, dann Einstellungen…, um einen Feed hinzuzufügen",
    "Jeden Feed so oft a&ktualisieren, wie er es verlangt (seine Lebensdauer)",
    "&Importieren…",
    {"An", "Feed-Adresse", "Minuten", "Titel", "Status"},
    "ausstehend",
    {"Eintragsinfo", "Feed-Info", "Diesen Eintrag nicht mehr zeigen", "Diesen Feed abbestellen", "Schließen"},
    "Eintrag im Browser öffnen",
    "Veröffentlicht: Mon, 03 Jun 2024 06:12:00 GMT",
    "Sprache: de"};

const Language kEnglish{
    "C",
    {"Resume", "Preferences…", "Refresh now", "Dock at Top", "Dock at Bottom", "Screen", "Quit"},
    "Pennant Preferences",
    "No news yet — right-click for Preferences… to add a feed",
    "&Update each feed as often as it asks (its time-to-live)",
    "&Import…",
    {"On", "Feed Address", "Minutes", "Title", "Status"},
    "pending",
    {"Item Info", "Feed Info", "Don't Show This Item Again", "Unsubscribe from This Feed", "Close"},
    "Open Item in Browser",
    "Publication Date: Mon, 03 Jun 2024 06:12:00 GMT",
    "Language: de"};

void PrintTo(const Language& language, std::ostream* os) {
    *os << "LANG=" << language.lang;
}

QStringList texts(const QMenu* menu) {
    QStringList result;
    for (QAction* entry : menu->actions())
        if (!entry->isSeparator()) result << entry->text();
    return result;
}

} // namespace

// The strip's menu, its notice and the Preferences window of the host.
class TranslatedHost : public WindowHostTest, public ::testing::WithParamInterface<Language> {};

TEST_P(TranslatedHost, MenuNoticeAndPreferencesWindow) {
    const Language& language = GetParam();
    LangVariable lang(language.lang);
    Translations translations;
    translations.install(LangVariable::locale(), QStringLiteral(TEST_TRANSLATIONS_DIR));

    // The test's strip is paused, so that it moves only when told.
    std::unique_ptr<QMenu> menu(host->window()->makeHostMenu());
    EXPECT_EQ(texts(menu.get()), language.hostMenu);
    EXPECT_EQ(stripNoticeFor({QVariantList{}}), language.emptyStrip);
    FakePane pane(QStringLiteral("News"));
    PreferencesWindow window({&pane});
    EXPECT_EQ(window.windowTitle(), language.preferencesTitle);
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedHost, ::testing::Values(kGerman, kEnglish),
                         [](const auto& info) { return info.index == 0 ? "German" : "English"; });

// The plug-in's pane and information menu, translated as they load.
class TranslatedPlugin : public MenuTest, public ::testing::WithParamInterface<Language> {
  protected:
    void SetUp() override {
        lang_ = std::make_unique<LangVariable>(GetParam().lang);
        const platform::Bundle bundle(QStringLiteral(TEST_BUNDLE_DIR),
                                      QStringLiteral("org.pennant.newsreel"));
        translations_.install(LangVariable::locale(), QStringLiteral(TEST_TRANSLATIONS_DIR));
        translations_.installBundle(LangVariable::locale(), bundle);
        MenuTest::SetUp();
    }
    void TearDown() override {
        MenuTest::TearDown();
        translations_.remove();
        lang_.reset();
    }

    std::unique_ptr<LangVariable> lang_;
    Translations translations_;
};

TEST_P(TranslatedPlugin, PaneAndInformationMenu) {
    const Language& language = GetParam();
    const QString url = QStringLiteral("file:///feeds/a.xml");
    store().append(record(url, 30, true));
    ASSERT_TRUE(plugin->pane().load());
    const PaneController::Outlets& pane = plugin->pane().outlets();
    EXPECT_EQ(pane.useTTLCheckBox->text(), language.useTTL);
    auto* import = pane.prefPaneView->findChild<QPushButton*>(QStringLiteral("importFeedsButton"));
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(import->text(), language.importButton);
    QAbstractItemModel* model = pane.feedTable->model();
    QStringList columns;
    for (int c = 0; c < model->columnCount(); ++c)
        columns << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(columns, language.columns);
    plugin->willSelect();
    EXPECT_EQ(model->index(0, 4).data().toString(), language.pendingStatus);
    plugin->willUnselect();

    // The submenus are found under their translated titles, and their values
    // keep the translated prefixes.
    addFeed(url, {{"title", "Desk"}, {"language", "de"}},
            {QVariantMap{{"title", "Bikes"},
                         {"link", "https://example.org/bikes"},
                         {"guid", "b1"},
                         {"pubDate", "Mon, 03 Jun 2024 06:12:00 GMT"}}});
    click(0, url);
    ASSERT_EQ(popUps, 1);
    QStringList top = texts(menu().infoMenu);
    top.removeFirst(); // the item's and the feed's titles
    top.removeFirst();
    EXPECT_EQ(top, language.infoMenu);
    QMenu* item = submenu(language.infoMenu.at(0));
    QMenu* feed = submenu(language.infoMenu.at(1));
    ASSERT_NE(item, nullptr);
    ASSERT_NE(feed, nullptr);
    EXPECT_EQ(texts(item), (QStringList{language.openItem, language.publicationDate}));
    EXPECT_TRUE(texts(feed).contains(language.language)) << texts(feed).join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedPlugin, ::testing::Values(kGerman, kEnglish),
                         [](const auto& info) { return info.index == 0 ? "German" : "English"; });

// The program picks its language from LANG; headless mode writes the same lines
// in every language.
TEST(TranslatedProgram, HelpFollowsLangAndHeadlessLinesDoNot) {
    QByteArray menuLine[2];
    for (int i = 0; i < 2; ++i) {
        LangVariable lang(i == 0 ? "de_DE.UTF-8" : "C");
        const PennantRun help = runPennant({QStringLiteral("--help")});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith(i == 0 ? "Aufruf: pennant" : "usage: pennant"))
            << help.out.constData();
        const PennantRun bad = runPennant({QStringLiteral("--nonsense")});
        EXPECT_EQ(bad.exitCode, 2);
        EXPECT_TRUE(bad.err.startsWith(i == 0 ? QStringLiteral("pennant: unbekanntes Argument --nonsense")
                                              : QStringLiteral("pennant: unknown argument --nonsense")))
            << bad.err.toStdString();

        const PennantRun run = runHeadless({}, "wait\nclick 2\n", {QStringLiteral("--demo")});
        for (const QByteArray& line : run.out.split('\n'))
            if (line.startsWith("{\"event\":\"menu\"")) menuLine[i] = line;
        EXPECT_TRUE(menuLine[i].contains("\"Item Info\"")) << run.out.constData();
    }
    EXPECT_EQ(menuLine[0], menuLine[1]);
}

// English is what the texts are written in: no catalogue is loaded for it, nor
// for the C locale, even where a later language in the list has one.
TEST(Translations, EnglishAndCLoadNothingGermanLoadsTheHostsAndEachBundles) {
    const platform::Bundle bundle(QStringLiteral(TEST_BUNDLE_DIR), QStringLiteral("org.pennant.newsreel"));
    const QString folder = QStringLiteral(TEST_TRANSLATIONS_DIR);
    Translations translations;
    EXPECT_EQ(translations.install(QLocale::c(), folder), 0);
    EXPECT_EQ(translations.install(QLocale(QStringLiteral("en_GB")), folder), 0);
    EXPECT_EQ(translations.installBundle(QLocale(QStringLiteral("en_US")), bundle), 0);
    EXPECT_EQ(QCoreApplication::translate("TickerWindow", "Quit"), QStringLiteral("Quit"));
    EXPECT_GE(translations.install(QLocale(QStringLiteral("fr_CA")), folder), 1); // falls back to fr
    EXPECT_EQ(translations.installBundle(QLocale(QStringLiteral("fr_CA")), bundle), 1);
    EXPECT_EQ(QCoreApplication::translate("TickerWindow", "Quit"), QStringLiteral("Quitter"));
    EXPECT_EQ(QCoreApplication::translate("NewsreelPane", "Feed Address"), QStringLiteral("Adresse du flux"));
    translations.remove();
    EXPECT_EQ(QCoreApplication::translate("TickerWindow", "Quit"), QStringLiteral("Quit"));
}
