#include "app/shared/HostOptions.h"
#include "app/window/HostSettings.h"
#include "tests/app/PennantProcess.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>

namespace {

std::optional<HostOptions> parse(QStringList args, QString* error = nullptr, bool* help = nullptr) {
    QString e;
    bool h = false;
    args.prepend(QStringLiteral("pennant"));
    return parseHostOptions(args, error ? error : &e, help ? help : &h);
}

} // namespace

TEST(HostOptions, BadArgumentsAreNamed) {
    struct Case {
        QStringList args;
        QString mentions;
    };
    for (const Case& c :
         {Case{{"--settings"}, "--settings needs a value"}, Case{{"--bogus"}, "--bogus"},
          Case{{"--view-size", "0x24"}, "0x24"}, Case{{"--view-size", "12x"}, "12x"},
          Case{{"--view-size", "-5x24"}, "-5x24"}, Case{{"--view-size", "1280x99999"}, "1280x99999"},
          Case{{"--view-size", "nanx24"}, "nanx24"},
          Case{{"--refresh", "--quit"}, "--quit cannot be given with another command"},
          Case{{"--headless", "--refresh"}, "for the ticker in its window"},
          Case{{"--toggle-pause", "--import", "a.opml"}, "for the ticker in its window"},
          // Words the parser takes apart or passes over are still named as written.
          Case{{"stray"}, "unknown argument stray"}, Case{{"-hx"}, "unknown argument -hx"},
          Case{{"--once=yes"}, "unknown argument --once=yes"},
          Case{{"--", "after"}, "unknown argument after"}, Case{{"--plugins="}, "--plugins needs a value"},
          Case{{"--import", ""}, "--import needs a value"}, Case{{"--view-size=1x"}, "not 1x"}}) {
        QString error;
        EXPECT_FALSE(parse(c.args, &error)) << c.args.join(' ').toStdString();
        EXPECT_TRUE(error.contains(c.mentions)) << error.toStdString();
    }
}

TEST(HostOptions, CommandsForTheRunningTicker) {
    EXPECT_EQ(parse({"--settings", "s.json", "--toggle-pause"})->command, TickerCommand::TogglePause);
    EXPECT_EQ(parse({"--preferences", "--preferences"})->command, TickerCommand::Preferences);
    EXPECT_EQ(parse({})->command, TickerCommand::None);
    EXPECT_TRUE(parse({"--verbose"})->verbose);
}

TEST(HostOptions, ValuesInEitherFormAndTheLastOfARepeatedOptionWins) {
    const auto options = parse({"--settings=a.json", "--view-size", "800x30.5", "--settings", "b.json",
                                "--plugins", "--odd-folder", "--headless", "--once"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->settingsPath, QStringLiteral("b.json"));
    EXPECT_EQ(options->pluginFolder, QStringLiteral("--odd-folder")) << "a value may look like an option";
    EXPECT_TRUE(options->viewSizeGiven);
    EXPECT_EQ(options->viewWidth, 800.f);
    EXPECT_EQ(options->viewHeight, 30.5f);
    EXPECT_TRUE(options->headless && options->once && !options->demo);
    EXPECT_EQ(parse({"--export", "out.opml"})->exportPath, QStringLiteral("out.opml"));

    // Help is answered whatever else the line holds.
    for (const QStringList& args :
         {QStringList{"-h"}, QStringList{"--bogus", "--help"}, QStringList{"--help", "--settings"}}) {
        bool help = false;
        parse(args, nullptr, &help);
        EXPECT_TRUE(help) << args.join(' ').toStdString();
    }
}

TEST(HostOptions, VersionAndHelpArePrintedWithoutStartingAnything) {
    for (const char* option : {"--version", "--help"}) {
        // No display: either answers before one is looked for.
        const PennantRun run =
            runPennant({QString::fromLatin1(option)}, {}, PennantProcess::withoutDisplay());
        EXPECT_EQ(run.exitCode, 0) << option;
        const QString out = run.output();
        if (QLatin1String(option) == QLatin1String("--version"))
            EXPECT_EQ(out, QStringLiteral("pennant " NEWSREEL_VERSION "\n"));
        else
            EXPECT_TRUE(out.contains(QStringLiteral("--version")) && out.contains(QStringLiteral("--help")));
    }
}

TEST(HostSettings, WrongKindsAndValuesOutOfRangeReadAsDefaultsAndStayAsWritten) {
    const QVariantMap written{{QStringLiteral("dockEdge"), 1},
                              {QStringLiteral("speed"), 5000},
                              {QStringLiteral("screen"), 3},
                              {QStringLiteral("pauseOnHover"), QStringLiteral("no")},
                              {QStringLiteral("fontFamily"), true},
                              {QStringLiteral("fontSize"), 400},
                              {QStringLiteral("textColor"), QStringLiteral("not a colour")},
                              {QStringLiteral("backgroundColor"), QStringLiteral("#80ff0000")},
                              {QStringLiteral("linkColor"), 12},
                              {QStringLiteral("stripHeight"), QStringLiteral("tall")}};
    QVariantMap stored = written;
    HostSettings wrong(stored);
    EXPECT_EQ(wrong.dockEdge(), HostSettings::DockEdge::Bottom);
    EXPECT_EQ(wrong.speed(), HostSettings::defaultSpeed);
    EXPECT_EQ(wrong.screen(), QString());
    EXPECT_TRUE(wrong.pauseOnHover());
    EXPECT_EQ(wrong.appearance(), StripAppearance()) << "today's look";
    EXPECT_EQ(stored, written) << "nothing the user wrote is overwritten";

    // Changing one setting writes that one alone.
    StripAppearance dark = wrong.appearance();
    dark.background = QColor(Qt::black);
    wrong.setAppearance(dark);
    EXPECT_EQ(stored.value(QStringLiteral("backgroundColor")), QVariant(QStringLiteral("#000000")));
    stored.remove(QStringLiteral("backgroundColor"));
    QVariantMap others = written;
    others.remove(QStringLiteral("backgroundColor"));
    EXPECT_EQ(stored, others);

    for (const QVariant& speed : {QVariant(0), QVariant(-50), QVariant(std::nan("")), QVariant(true)}) {
        QVariantMap bad{{QStringLiteral("speed"), speed}};
        EXPECT_EQ(HostSettings(bad).speed(), HostSettings::defaultSpeed) << speed.toString().toStdString();
    }
}

TEST(HostSettings, GoodValuesAreReadAndMissingOnesWrittenWithTheirDefaults) {
    QVariantMap stored{{QStringLiteral("dockEdge"), QStringLiteral("top")},
                       {QStringLiteral("speed"), 120},
                       {QStringLiteral("pauseOnHover"), false},
                       {QStringLiteral("fontFamily"), QStringLiteral("DejaVu Serif")},
                       {QStringLiteral("fontSize"), 14.5},
                       {QStringLiteral("textColor"), QStringLiteral("#eeeeee")},
                       {QStringLiteral("backgroundColor"), QStringLiteral("black")},
                       {QStringLiteral("stripHeight"), 40}};
    HostSettings settings(stored);
    EXPECT_EQ(settings.dockEdge(), HostSettings::DockEdge::Top);
    EXPECT_EQ(settings.speed(), 120);
    EXPECT_FALSE(settings.pauseOnHover());
    const StripAppearance& a = settings.appearance();
    EXPECT_EQ(a.fontFamily, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(a.fontSize, 14.5);
    EXPECT_EQ(a.textColor, QColor(0xee, 0xee, 0xee));
    EXPECT_EQ(a.background, QColor(Qt::black));
    EXPECT_FALSE(a.linkColor.has_value());
    EXPECT_EQ(a.height, 40);
    EXPECT_EQ(stored.value(QStringLiteral("linkColor")), QVariant(QStringLiteral("auto")));
    EXPECT_EQ(stored.value(QStringLiteral("screen")), QVariant(QString()));

    QVariantMap fresh;
    HostSettings defaults(fresh);
    EXPECT_EQ(fresh.value(QStringLiteral("stripHeight")), QVariant(QStringLiteral("auto")));
    EXPECT_EQ(fresh.value(QStringLiteral("pauseOnHover")), QVariant(true));
    EXPECT_EQ(fresh.value(QStringLiteral("speed")).toDouble(), HostSettings::defaultSpeed);
    defaults.setSpeed(1);
    EXPECT_EQ(defaults.speed(), HostSettings::minimumSpeed) << "what the wheel asks is clamped";
    EXPECT_EQ(fresh.value(QStringLiteral("speed")).toDouble(), HostSettings::minimumSpeed);
    defaults.setDockEdge(HostSettings::DockEdge::Top);
    EXPECT_EQ(fresh.value(QStringLiteral("dockEdge")).toString(), QStringLiteral("top"));
    StripAppearance back = a;
    back.height.reset();
    back.textColor.reset();
    settings.setAppearance(back);
    EXPECT_EQ(stored.value(QStringLiteral("stripHeight")), QVariant(QStringLiteral("auto")));
    EXPECT_EQ(stored.value(QStringLiteral("textColor")), QVariant(QStringLiteral("auto")));

    EXPECT_GT(HostSettings::steppedSpeed(50, 1), 50);
    EXPECT_LT(HostSettings::steppedSpeed(50, -1), 50);
    EXPECT_EQ(HostSettings::steppedSpeed(HostSettings::maximumSpeed, 3), HostSettings::maximumSpeed);
}
