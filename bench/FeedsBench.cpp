// Feed figures, each measured side by side in one run: parsing against libxml2's
// floor and against feedparser, peak memory, the cost of one update, and many
// feeds on a loopback server. Prints one table.
#include "bench/FeedGenerator.h"
#include "bench/ParseFloor.h"
#include "parser/RssHandlers.h"
#include "parser/XmlEventParser.h"
#include "plugin/NewsreelPlugin.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int kChunk = 16384; // what libcurl hands over at a time

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool parseOurs(const QByteArray& doc, int chunk) {
    RssHandlers handlers;
    bool ended = false;
    handlers.documentDidEnd = [&] { ended = true; };
    XmlEventParser parser(handlers);
    for (qsizetype at = 0; at < doc.size(); at += chunk)
        if (!parser.parseChunk(doc.constData() + at, size_t(std::min<qsizetype>(chunk, doc.size() - at))))
            return false;
    parser.finish();
    const ParsedFeed dictionary = handlers.feedDictionary();
    return ended && dictionary.items && !dictionary.items->isEmpty();
}

// Best of several rounds of each, in bytes per CPU second. The two parsers take
// turns, so a noisy neighbour slows both alike rather than one of them.
template <typename Ours, typename Floor>
std::pair<double, double> throughputs(const QByteArray& doc, int rounds, Ours&& ours, Floor&& floor) {
    double bestOurs = 1e300, bestFloor = 1e300;
    auto timed = [&doc](auto& parse, double& best) {
        const double start = cpuSeconds();
        if (!parse(doc)) {
            std::fprintf(stderr, "bench: a document did not parse\n");
            std::exit(1);
        }
        best = std::min(best, cpuSeconds() - start);
    };
    for (int r = 0; r < rounds; ++r) {
        timed(ours, bestOurs);
        timed(floor, bestFloor);
    }
    return {double(doc.size()) / bestOurs, double(doc.size()) / bestFloor};
}

// Resident and peak resident bytes of this process. The peak is the kernel's
// high-water mark of this image only (getrusage's survives exec, and would carry
// the parent's peak into the child).
qint64 statusBytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// With NEWSREEL_BENCH_MAPPINGS set, the --feeds-child prints to stderr where its
// resident memory lies: per library file, the heap, and the other anonymous
// mappings (thread arenas, stacks, Qt's pools), largest first.
void printResidentMappings(const char* moment) {
    if (qEnvironmentVariableIsEmpty("NEWSREEL_BENCH_MAPPINGS")) return;
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly)) return;
    QMap<QByteArray, qint64> byName;
    QByteArray name;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 5 && f[0].contains('-') && !f[0].endsWith(':')) {
            name = f.size() >= 6 ? f[5] : QByteArray("[anonymous]");
            if (name.startsWith("/")) name = name.mid(name.lastIndexOf('/') + 1);
        } else if (line.startsWith("Rss:")) {
            byName[name] += f.value(1).toLongLong() * 1024;
        }
    }
    QList<std::pair<qint64, QByteArray>> sorted;
    for (auto it = byName.cbegin(); it != byName.cend(); ++it)
        sorted.append({it.value(), it.key()});
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    std::fprintf(stderr, "resident, %s:\n", moment);
    for (const auto& [bytes, mapping] : sorted)
        if (bytes >= 256 * 1024)
            std::fprintf(stderr, "  %8.1f MB %s\n", double(bytes) / 1e6, mapping.constData());
}

// With NEWSREEL_BENCH_EXIT_AT=idle (or "refresh") the --feeds-child exits at that
// moment without freeing anything, so that a heap profiler's "leaked" report is
// what was live there.
void exitIfAsked(const char* moment) {
    if (qEnvironmentVariable("NEWSREEL_BENCH_EXIT_AT") == QLatin1String(moment)) std::exit(0);
}

// Child mode: parse a file from a chunked stream into the feed dictionary, print
// how far the peak resident size rose above what the process held before.
int memoryChild(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    std::vector<char> buffer(kChunk);
    const qint64 before = statusBytes("VmRSS:");
    RssHandlers handlers;
    XmlEventParser parser(handlers);
    for (;;) {
        const qint64 n = file.read(buffer.data(), kChunk);
        if (n <= 0) break;
        if (!parser.parseChunk(buffer.data(), size_t(n))) return 1;
    }
    parser.finish();
    const ParsedFeed dictionary = handlers.feedDictionary();
    if (!dictionary.items) return 1;
    const qint64 peak = statusBytes("VmHWM:");
    if (before < 0 || peak < 0) return 1;
    std::printf("%lld\n", peak - before);
    return 0;
}

class BenchServer : public PNTickerServer {
  public:
    QVariantMap settings;
    std::mutex mutex;
    int idleReports = 0;
    std::atomic<int> signs{0};
    QWidget view;
    QVariantMap* preferencesForIdentifier(const QString&) override { return &settings; }
    void addSign(const PNSignRef&) override { ++signs; }
    void addSign(const PNSignRef&, PNPennantClientProtocol*) override { ++signs; }
    void removeSign(const PNSignRef&) override {}
    QWidget* tickerView() override { return &view; }
    PNSize viewSize() override { return {1280, 24}; }
    void pluginDidBecomeIdle(PNPennantPluginProtocol*) override {
        std::lock_guard guard(mutex);
        ++idleReports;
    }
    // The plug-in applies an update's result and reports idle on the main
    // thread: the wait keeps its event loop turning.
    void waitIdle(int reports) {
        for (;;) {
            {
                std::lock_guard guard(mutex);
                if (idleReports >= reports) return;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        }
    }
};

std::shared_ptr<platform::Bundle> bundle() {
    return std::make_shared<platform::Bundle>(QStringLiteral(BENCH_BUNDLE_DIR),
                                              QStringLiteral("org.pennant.newsreel"));
}

QVariantMap feedRecord(const QString& url) {
    return QVariantMap{
        {QStringLiteral("url"), url}, {QStringLiteral("interval"), 600}, {QStringLiteral("enabled"), true}};
}

// Median CPU time of one whole update of a file-URL feed through posted signs.
double updateMedianSeconds(const QString& path, int rounds) {
    BenchServer server;
    server.settings.insert(QStringLiteral("feeds"),
                           QVariantList{feedRecord(QUrl::fromLocalFile(path).toString())});
    server.settings.insert(QStringLiteral("useTTL"), false);
    server.settings.insert(QStringLiteral("titleLength"), 30);
    NewsreelPlugin plugin;
    plugin.initWithBundle(bundle());
    plugin.activateWithServer(&server);
    server.waitIdle(1);
    std::vector<double> costs;
    for (int r = 0; r < rounds; ++r) {
        const double start = cpuSeconds();
        plugin.refreshNow();
        server.waitIdle(2 + r);
        costs.push_back(cpuSeconds() - start);
    }
    plugin.deactivate();
    std::sort(costs.begin(), costs.end());
    return costs[costs.size() / 2];
}

struct ManyFeeds {
    double wallSeconds = 0;
    double cpuSeconds = 0; // the whole process's, the loopback server's included
    double longestStallSeconds = 0;
    int signs = 0;
    qint64 residentIdle = 0;         // bytes, once the first round is done
    qint64 residentAfterRefresh = 0; // bytes, once every feed was updated again
};

// Spins the main thread's event loop until the plug-in has reported idle `reports`
// times, with a 1 ms heartbeat timer whose longest late firing is the longest time
// the main thread was kept from its events.
double spinUntilIdle(BenchServer& server, int reports) {
    QElapsedTimer sinceBeat;
    sinceBeat.start();
    qint64 longest = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceBeat.nsecsElapsed());
        sinceBeat.restart();
    });
    heartbeat.start(1);
    for (;;) {
        {
            std::lock_guard guard(server.mutex);
            if (server.idleReports >= reports) break;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return std::max<double>(0, double(longest) / 1e9 - 0.001);
}

// Served as a static file server would: with a validator, on connections kept open.
ManyFeeds manyFeeds(const QByteArray& doc, const QByteArray& logo, int count) {
    LoopbackHttpServer http;
    http.setKeepAlive(true);
    http.route("/logo.png", LoopbackHttpServer::Response(
                                200, logo, {{"Content-Type", "image/png"}, {"ETag", "\"logo\""}}));
    QVariantList records;
    for (int i = 0; i < count; ++i) {
        const QByteArray path = "/feed" + QByteArray::number(i) + ".xml";
        http.route(path, LoopbackHttpServer::Response(200, doc,
                                                      {{"Content-Type", "application/rss+xml"},
                                                       {"ETag", "\"" + QByteArray::number(i) + "\""}}));
        records.append(feedRecord(http.url(path)));
    }
    BenchServer server;
    server.settings.insert(QStringLiteral("feeds"), records);
    server.settings.insert(QStringLiteral("useTTL"), false);
    server.settings.insert(QStringLiteral("titleLength"), 30);
    NewsreelPlugin plugin;
    plugin.initWithBundle(bundle());
    QElapsedTimer clock;
    clock.start();
    const double cpuAtStart = cpuSeconds();
    // Set-up (the interface file, the settings) is start-up, not the round.
    plugin.setupWithServer(&server);
    QElapsedTimer activation;
    activation.start();
    plugin.activate(); // the timers of every feed, each fired once: on the main thread
    ManyFeeds out;
    out.longestStallSeconds = double(activation.nsecsElapsed()) / 1e9;
    out.longestStallSeconds = std::max(out.longestStallSeconds, spinUntilIdle(server, 1));
    out.wallSeconds = double(clock.nsecsElapsed()) / 1e9;
    out.cpuSeconds = cpuSeconds() - cpuAtStart;
    out.signs = server.signs.load();
    out.residentIdle = statusBytes("VmRSS:");
    printResidentMappings("idle");
    exitIfAsked("idle");
    QElapsedTimer refresh;
    refresh.start();
    plugin.refreshNow(); // every timer fired again: on the main thread too
    out.longestStallSeconds = std::max(out.longestStallSeconds, double(refresh.nsecsElapsed()) / 1e9);
    out.longestStallSeconds = std::max(out.longestStallSeconds, spinUntilIdle(server, 2));
    out.residentAfterRefresh = statusBytes("VmRSS:");
    printResidentMappings("after the refresh");
    exitIfAsked("refresh");
    plugin.deactivate();
    return out;
}

// Debian's feedparser belongs to Debian's interpreter, whatever python3 comes
// first on the PATH.
// The channel's logo, the size feeds commonly use.
QByteArray logoPng() {
    QImage image(88, 31, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

double feedparserThroughput(const QString& path, int rounds) {
    const QString interpreter = QFile::exists(QStringLiteral("/usr/bin/python3"))
                                    ? QStringLiteral("/usr/bin/python3")
                                    : QStringLiteral("python3");
    QProcess python;
    python.start(interpreter,
                 {QStringLiteral(BENCH_SOURCE_DIR "/feedparser_peer.py"), path, QString::number(rounds)});
    if (!python.waitForFinished(1800000) || python.exitCode() != 0) return 0;
    return python.readAllStandardOutput().trimmed().toDouble();
}

void row(const char* figure, const QString& value, const char* target, bool met) {
    std::printf("| %-44s | %-30s | %-14s | %-4s |\n", figure, value.toUtf8().constData(), target,
                met ? "met" : "MISSED");
}

} // namespace

ManyFeeds oneManyFeedsChild(const QString& typicalPath, int count) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--feeds-child"), typicalPath, QString::number(count)});
    child.waitForFinished(1800000);
    const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
    ManyFeeds out;
    if (child.exitCode() != 0 || f.size() != 6) return out;
    out.wallSeconds = f[0].toDouble();
    out.longestStallSeconds = f[1].toDouble();
    out.signs = f[2].toInt();
    out.residentIdle = f[3].toLongLong();
    out.residentAfterRefresh = f[4].toLongLong();
    out.cpuSeconds = f[5].toDouble();
    return out;
}

// The run of three whose time to idle is the middle one: a single run on a busy
// machine moves the 1000-to-200 ratio by a whole unit.
ManyFeeds manyFeedsInChild(const QString& typicalPath, int count) {
    std::vector<ManyFeeds> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(oneManyFeedsChild(typicalPath, count));
    std::sort(runs.begin(), runs.end(),
              [](const ManyFeeds& a, const ManyFeeds& b) { return a.wallSeconds < b.wallSeconds; });
    return runs[1];
}

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "--memory-child")
        return memoryChild(QString::fromLocal8Bit(argv[2]));
    // A process of its own, so the resident memory is the feeds' and nothing else's.
    if (argc == 4 && QByteArray(argv[1]) == "--feeds-child") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::ReadOnly)) return 1;
        const ManyFeeds m = manyFeeds(file.readAll(), logoPng(), std::atoi(argv[3]));
        std::printf("%f %f %d %lld %lld %f\n", m.wallSeconds, m.longestStallSeconds, m.signs, m.residentIdle,
                    m.residentAfterRefresh, m.cpuSeconds);
        return 0;
    }
    // For profilers: writes a generated document (then --memory-child parses it once).
    if (argc == 4 && QByteArray(argv[1]) == "--generate") {
        QFile out(QString::fromLocal8Bit(argv[2]));
        return out.open(QIODevice::WriteOnly) && out.write(generateFeed(std::atoi(argv[3]))) > 0 ? 0 : 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QByteArray typical = generateFeed(kTypicalItems);
    const QByteArray large = generateFeed(kLargeItems);
    QTemporaryDir dir;
    const QString typicalPath = dir.filePath(QStringLiteral("typical.xml"));
    const QString largePath = dir.filePath(QStringLiteral("large.xml"));
    const QByteArray logo = logoPng();
    for (auto [path, doc] : {std::pair{typicalPath, typical}, std::pair{largePath, large},
                             std::pair{dir.filePath(QStringLiteral("logo.png")), logo}}) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(doc);
    }
    std::printf("documents: typical %lld bytes, large %lld bytes\n\n", qint64(typical.size()),
                qint64(large.size()));
    std::printf("| %-44s | %-30s | %-14s | %-4s |\n", "figure", "measured", "target", "");
    std::printf("|%s|%s|%s|%s|\n", QByteArray(46, '-').constData(), QByteArray(32, '-').constData(),
                QByteArray(16, '-').constData(), QByteArray(6, '-').constData());

    auto ours = [](const QByteArray& d) { return parseOurs(d, kChunk); };
    auto floor = [](const QByteArray& d) { return parseWithEmptyHandlers(d, kChunk); };
    const auto [oursTypical, floorTypical] = throughputs(typical, 200, ours, floor);
    const auto [oursLarge, floorLarge] = throughputs(large, 5, ours, floor);
    const double rT = oursTypical / floorTypical, rL = oursLarge / floorLarge;
    row("1a parse typical vs libxml2 empty handlers",
        QStringLiteral("%1x (%2 MB/s)").arg(rT, 0, 'f', 2).arg(oursTypical / 1e6, 0, 'f', 1), ">= 0.6x",
        rT >= 0.6);
    row("1b parse large vs libxml2 empty handlers",
        QStringLiteral("%1x (%2 MB/s)").arg(rL, 0, 'f', 2).arg(oursLarge / 1e6, 0, 'f', 1), ">= 0.5x",
        rL >= 0.5);
    // The parse figures alone, for comparing one change to the parser.
    if (argc == 2 && QByteArray(argv[1]) == "--parse-only") return 0;

    // Fed one byte at a time (a trickling server), four times the document must
    // cost about four times as much, not sixteen.
    auto byteByByte = [](const QByteArray& d) { return parseOurs(d, 1); };
    const QByteArray quarter = generateFeed(kTypicalItems / 4);
    // Rates of the same parse in both places; the time ratio is the size ratio over the rate ratio.
    const double quarterRate = throughputs(quarter, 5, byteByByte, byteByByte).first;
    const double wholeRate = throughputs(typical, 5, byteByByte, byteByByte).first;
    const double growth = (double(typical.size()) / wholeRate) / (double(quarter.size()) / quarterRate);
    row("1c one byte per chunk: cost of 4x the bytes", QStringLiteral("%1x").arg(growth, 0, 'f', 2),
        "< 8x (linear)", growth < 8.0);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-child"), largePath});
    child.waitForFinished(600000);
    const double peak = child.readAllStandardOutput().trimmed().toDouble();
    const double multiple = peak / double(large.size());
    row("2 peak memory parsing large",
        QStringLiteral("%1x document (%2 MB)").arg(multiple, 0, 'f', 2).arg(peak / 1e6, 0, 'f', 1), "<= 4x",
        child.exitCode() == 0 && multiple <= 4.0);

    const double update = updateMedianSeconds(typicalPath, 51);
    row("3 one update of typical, CPU median", QStringLiteral("%1 ms").arg(update * 1e3, 0, 'f', 3), "< 1 ms",
        update < 1e-3);

    const double fpTypical = feedparserThroughput(typicalPath, 20);
    const double fpLarge = feedparserThroughput(largePath, 1);
    if (fpTypical > 0 && fpLarge > 0) {
        row("4a vs feedparser, typical", QStringLiteral("%1x").arg(oursTypical / fpTypical, 0, 'f', 1),
            ">= 50x", oursTypical / fpTypical >= 50);
        row("4b vs feedparser, large", QStringLiteral("%1x").arg(oursLarge / fpLarge, 0, 'f', 1), ">= 50x",
            oursLarge / fpLarge >= 50);
    } else {
        row("4 vs feedparser", QStringLiteral("python3-feedparser missing"), ">= 50x", false);
    }

    const ManyFeeds many = manyFeedsInChild(typicalPath, 200);
    row("5a 200 feeds over loopback: wall to idle",
        QStringLiteral("%1 s (%2 signs)").arg(many.wallSeconds, 0, 'f', 2).arg(many.signs), "<= 0.25 s",
        many.signs > 0 && many.wallSeconds <= 0.25);
    row("5b resident memory, 200 typical feeds idle",
        QStringLiteral("%1 MB").arg(double(many.residentIdle) / 1e6, 0, 'f', 1), "<= 60 MB",
        many.residentIdle > 0 && many.residentIdle <= 60'000'000);
    const double refreshGrowth =
        many.residentIdle > 0 ? double(many.residentAfterRefresh) / double(many.residentIdle) : 0;
    row("5c growth after a refresh of all 200",
        QStringLiteral("%1%").arg((refreshGrowth - 1) * 100, 0, 'f', 1), "<= 5%",
        refreshGrowth > 0 && refreshGrowth <= 1.05);
    const ManyFeeds thousand = manyFeedsInChild(typicalPath, 1000);
    row("5d longest main-thread stall, 1000-feed round",
        QStringLiteral("%1 ms").arg(thousand.longestStallSeconds * 1e3, 0, 'f', 1), "< 16 ms",
        thousand.signs > 0 && thousand.longestStallSeconds < 0.016);
    const double wallRatio = thousand.wallSeconds / many.wallSeconds;
    const double cpuRatio = thousand.cpuSeconds / many.cpuSeconds;
    row("5e 1000 feeds vs 200: time and CPU to idle",
        QStringLiteral("%1x wall, %2x CPU").arg(wallRatio, 0, 'f', 2).arg(cpuRatio, 0, 'f', 2), "<= 5.5x",
        wallRatio <= 5.5 && cpuRatio <= 5.5);
    return 0;
}
