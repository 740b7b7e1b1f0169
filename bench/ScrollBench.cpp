// CPU time the ticker window uses per second of scrolling: 50 signs, as the news
// plug-in makes them, at the default speed and frame rate.
//
//   bench_scroll [--seconds N] [--signs N]
//   QT_QPA_PLATFORM=offscreen bench_scroll
//   xvfb-run -a -s "-screen 0 1280x200x24" bench_scroll
#include "app/shared/SettingsFile.h"
#include "app/window/WindowHost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

PNSignRef newsSign(int index) {
    const QString title = QStringLiteral("Headline number %1 about the day's events").arg(index);
    const QString channel = QStringLiteral(" [Demo Channel %1]").arg(index % 5);
    PNAttributedString text(title + channel);
    text.addFont(int(title.size()), int(channel.size()), PNAttributedString::Font::Small);
    text.addColor(int(title.size()), int(channel.size()), Qt::blue);
    text.addUnderline(0, int(title.size()), 1);
    auto sign = std::make_shared<PNTextTickerSign>();
    sign->initWithAttributedString(text);
    sign->setContinuousScrolling(true);
    sign->setLoopCount(PNEndlessLoopCount);
    sign->setActionType(PNPennantActionTypeCustom);
    sign->setActionString(QStringLiteral("%1,file:///demo.xml").arg(index));
    return sign;
}

void run(QEventLoop& loop, int ms) {
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 10;
    int count = 50;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--seconds"))
            seconds = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--signs"))
            count = std::max(1, args[i + 1].toInt());
    }

    QTemporaryDir folder;
    SettingsFile settings(folder.filePath(QStringLiteral("settings.json")));
    settings.load();
    WindowHost host(settings, nullptr);
    host.start();
    for (int i = 0; i < count; ++i)
        host.addSign(newsSign(i));

    // Let the strip fill and every sign on it be rendered before measuring.
    QEventLoop loop;
    run(loop, 3000);

    const qint64 pixelsBefore = host.strip()->scrolledPixels();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    run(loop, seconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000;
    const qint64 pixels = host.strip()->scrolledPixels() - pixelsBefore;

    std::printf("platform %s, strip %dx%d, %d signs, speed %.0f px/s, %d px every %d ms\n",
                qPrintable(QGuiApplication::platformName()), host.strip()->width(), host.strip()->height(),
                count, host.strip()->speed(), host.strip()->pixelsPerFrame(), host.strip()->frameInterval());
    std::printf("scrolled %.1f px/s over %.1f s\n", double(pixels) / elapsed, elapsed);
    std::printf("cpu %.2f ms per second of scrolling = %.2f%% of one core\n", cpu * 1000 / elapsed,
                cpu * 100 / elapsed);
    host.shutDown();
    return 0;
}
