// The host's own "Ticker" page in the preferences window, and what every page of
// that window owes the keyboard.
#include "tests/app/WindowTestSupport.h"

#include "app/shared/PluginHost.h"
#include "app/window/ColorButton.h"
#include "app/window/TickerPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFontComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QWheelEvent>

namespace {

void turnWheel(QWidget* strip, int delta) {
    const QPointF at(10, 5);
    QWheelEvent event(at, strip->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip, &event);
}

// What a keyboard user of the window cannot reach: a button or check box without a
// mnemonic, a label of a control without one (or without its control), and two
// controls on screen at once that share one.
QStringList mnemonicProblems(QWidget* window) {
    QStringList problems;
    QHash<QString, QString> taken;
    const auto claim = [&](const QString& text, const QString& what) {
        const QString key = QKeySequence::mnemonic(text).toString();
        if (key.isEmpty()) return problems.append(what + QStringLiteral(" has no mnemonic"));
        if (taken.contains(key)) problems.append(what + QStringLiteral(" shares ") + key + u' ' + taken[key]);
        taken.insert(key, what);
    };
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window)) continue;
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->text().endsWith(u':')) {
            if (!label->buddy())
                problems.append(QStringLiteral("label \"%1\" has no control").arg(label->text()));
            claim(label->text(), QStringLiteral("label \"%1\"").arg(label->text()));
        } else if (qobject_cast<QPushButton*>(widget) || qobject_cast<QCheckBox*>(widget)) {
            const QString text = static_cast<QAbstractButton*>(widget)->text();
            if (!text.isEmpty()) claim(text, QStringLiteral("button \"%1\"").arg(text));
        }
    }
    return problems;
}

} // namespace

TEST_F(WindowHostTest, TickerPageAppliesEveryChangeAtOnceAndKeepsIt) {
    host->openPreferences();
    PreferencesWindow* window = host->preferences();
    ASSERT_NE(window, nullptr) << "the host's own page is there without any plug-in";
    EXPECT_EQ(window->selectedPane(), host->tickerPage());
    const TickerPage::Controls& c = host->tickerPage()->controls();
    ASSERT_NE(c.speed, nullptr);
    EXPECT_TRUE(c.systemFont->isChecked());
    EXPECT_FALSE(c.fontFamily->isEnabled());
    EXPECT_EQ(c.fontSize->value(), c.fontSize->minimum()) << "the system's size";
    EXPECT_EQ(c.speed->value(), 50);
    EXPECT_TRUE(c.pauseOnHover->isChecked());
    const QVariantMap& stored = settings->dictionaryFor(QString::fromLatin1(HostSettings::identifier));

    c.background->choose(QColor(Qt::black));
    EXPECT_EQ(strip->look().background, QColor(Qt::black));
    EXPECT_GE(contrastRatio(strip->look().linkColor, Qt::black), 4.5) << "no blue on black";
    EXPECT_EQ(stored.value(QStringLiteral("backgroundColor")), QVariant(QStringLiteral("#000000")));
    EXPECT_EQ(stored.value(QStringLiteral("linkColor")), QVariant(QStringLiteral("auto")));

    const int before = strip->look().height;
    c.fontSize->setValue(24);
    EXPECT_EQ(strip->look().standardFont.pointSizeF(), 24);
    EXPECT_GT(strip->look().height, before) << "an automatic height follows the font";
    EXPECT_TRUE(waitUntil([&] { return host->window()->height() == strip->look().height; }));
    c.systemFont->setChecked(false);
    EXPECT_TRUE(c.fontFamily->isEnabled());
    EXPECT_EQ(stored.value(QStringLiteral("fontFamily")), QVariant(c.fontFamily->currentFont().family()));
    c.height->setValue(44);
    EXPECT_EQ(strip->look().height, 44);
    c.height->setValue(c.height->minimum());
    EXPECT_EQ(stored.value(QStringLiteral("stripHeight")), QVariant(QStringLiteral("auto")));

    c.speed->setValue(120);
    EXPECT_EQ(strip->speed(), 120);
    EXPECT_EQ(host->hostSettings().speed(), 120);
    turnWheel(strip, -120);
    EXPECT_LT(strip->speed(), 120);
    EXPECT_EQ(c.speed->value(), int(std::lround(strip->speed()))) << "the page shows what the wheel did";

    c.pauseOnHover->click();
    EXPECT_FALSE(strip->pausesOnHover());
    EXPECT_EQ(stored.value(QStringLiteral("pauseOnHover")), QVariant(false));

    c.linkColor->choose(QColor(Qt::yellow));
    EXPECT_EQ(strip->look().linkColor, QColor(Qt::yellow));
    c.darkColors->click();
    EXPECT_EQ(strip->look().textColor, TickerPage::darkText());
    EXPECT_EQ(strip->look().background, TickerPage::darkBackground());
    EXPECT_NE(strip->look().linkColor, QColor(Qt::yellow)) << "the dark colours bring their own link colour";
    EXPECT_TRUE(waitUntil([&] {
        return readFile(settings->path()).contains(TickerPage::darkBackground().name().toLatin1());
    })) << "saved shortly after";

    c.restoreDefaults->click();
    EXPECT_EQ(host->hostSettings().appearance(), StripAppearance());
    EXPECT_EQ(strip->look().background, SignLook::system().background);
    EXPECT_EQ(strip->speed(), HostSettings::defaultSpeed);
    EXPECT_TRUE(strip->pausesOnHover());
    EXPECT_TRUE(c.systemFont->isChecked());
    window->close();
}

TEST_F(WindowHostTest, ColourDialogShowsEachShadeAtOnceAndCancelPutsTheOldOneBack) {
    host->openPreferences();
    ColorButton* background = host->tickerPage()->controls().background;
    const QColor before = strip->look().background;
    background->click();
    auto* dialog = background->findChild<QColorDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->setCurrentColor(Qt::darkGreen);
    const QColor seen = strip->look().background;
    dialog->reject();
    EXPECT_EQ(seen, QColor(Qt::darkGreen));
    EXPECT_EQ(strip->look().background, before);
    EXPECT_FALSE(background->color().has_value());

    // Accepted, the colour stays.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    background->click();
    dialog = background->findChild<QColorDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->setCurrentColor(Qt::darkRed);
    dialog->accept();
    EXPECT_EQ(strip->look().background, QColor(Qt::darkRed));
    EXPECT_EQ(background->color(), QColor(Qt::darkRed));
}

TEST(PreferencesKeyboard, EveryLabelledControlAndButtonHasItsOwnMnemonic) {
    PlatformRecorder recorder;
    QTemporaryDir folder;
    SettingsFile settings(folder.filePath(QStringLiteral("settings.json")));
    settings.load();
    PluginHost plugins;
    ASSERT_EQ(plugins.loadFrom(QStringLiteral(TEST_PLUGIN_DIR)), QStringList());
    {
        WindowHost host(settings, &plugins);
        host.start();
        host.openPreferences();
        PreferencesWindow* window = host.preferences();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(window->pageCount(), 2);
        const QListWidget* list = window->findChild<QListWidget*>();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("Newsreel")) << "named for its bundle";
        EXPECT_EQ(list->item(1)->text(), QStringLiteral("Ticker"));
        for (int page = 0; page < window->pageCount(); ++page) {
            window->selectPage(page);
            EXPECT_EQ(mnemonicProblems(window), QStringList()) << "page " << page;
        }
        window->close();
        host.shutDown();
        plugins.unloadAll();
    }
}
