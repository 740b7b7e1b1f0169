#include "app/shared/HostOptions.h"
#include "app/window/HostSettings.h"

#include <QProcess>
#include <QStringList>
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
          Case{{"--view-size", "nanx24"}, "nanx24"}}) {
        QString error;
        EXPECT_FALSE(parse(c.args, &error)) << c.args.join(' ').toStdString();
        EXPECT_TRUE(error.contains(c.mentions)) << error.toStdString();
    }
}

TEST(HostOptions, VersionAndHelpArePrintedWithoutStartingAnything) {
    for (const char* option : {"--version", "--help"}) {
        QProcess pennant;
        // No display: either answers before one is looked for.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        pennant.setProcessEnvironment(env);
        pennant.start(QStringLiteral(TEST_PENNANT_BINARY), {QString::fromLatin1(option)});
        ASSERT_TRUE(pennant.waitForFinished(30000));
        EXPECT_EQ(pennant.exitCode(), 0) << option;
        const QString out = QString::fromUtf8(pennant.readAllStandardOutput());
        if (QLatin1String(option) == QLatin1String("--version"))
            EXPECT_EQ(out, QStringLiteral("pennant " NEWSREEL_VERSION "\n"));
        else
            EXPECT_TRUE(out.contains(QStringLiteral("--version")) && out.contains(QStringLiteral("--help")));
    }
}

TEST(HostSettings, WrongKindsReadAsDefaultsAndValuesAreClamped) {
    QVariantMap stored{{QStringLiteral("dockEdge"), 1}, {QStringLiteral("speed"), QStringLiteral("fast")}};
    HostSettings wrong(stored);
    EXPECT_EQ(wrong.dockEdge(), HostSettings::DockEdge::Bottom);
    EXPECT_EQ(wrong.speed(), HostSettings::defaultSpeed);

    QVariantMap top{{QStringLiteral("dockEdge"), QStringLiteral("top")}, {QStringLiteral("speed"), 5000}};
    HostSettings clamped(top);
    EXPECT_EQ(clamped.dockEdge(), HostSettings::DockEdge::Top);
    EXPECT_EQ(clamped.speed(), HostSettings::maximumSpeed);
    EXPECT_EQ(clamped.setSpeed(1), HostSettings::minimumSpeed);
    EXPECT_EQ(top.value(QStringLiteral("speed")).toDouble(), HostSettings::minimumSpeed);
    clamped.setDockEdge(HostSettings::DockEdge::Bottom);
    EXPECT_EQ(top.value(QStringLiteral("dockEdge")).toString(), QStringLiteral("bottom"));

    EXPECT_GT(HostSettings::steppedSpeed(50, 1), 50);
    EXPECT_LT(HostSettings::steppedSpeed(50, -1), 50);
    EXPECT_EQ(HostSettings::steppedSpeed(HostSettings::maximumSpeed, 3), HostSettings::maximumSpeed);
}
