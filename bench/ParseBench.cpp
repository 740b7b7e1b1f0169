// The parse rows alone: the RSS reader against libxml2 with empty handlers, on
// the typical and the large generated document. Needs the parser library only,
// so a change to the parser can be measured on its own. For a profiler,
// --generate FILE ITEMS writes a document and --profile FILE parses it once.
#include "bench/FeedGenerator.h"
#include "bench/ParseFloor.h"
#include "parser/RssHandlers.h"
#include "parser/XmlEventParser.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int kChunk = 16384; // what libcurl hands over at a time

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool parseOurs(const QByteArray& doc) {
    RssHandlers handlers;
    bool ended = false;
    handlers.documentDidEnd = [&] { ended = true; };
    XmlEventParser parser(handlers);
    for (qsizetype at = 0; at < doc.size(); at += kChunk)
        if (!parser.parseChunk(doc.constData() + at, size_t(std::min<qsizetype>(kChunk, doc.size() - at))))
            return false;
    parser.finish();
    const ParsedFeed feed = handlers.feedDictionary();
    return ended && feed.items && !feed.items->isEmpty();
}

// Best of the rounds, ours and the floor taking turns; our rate over the floor's.
double ratio(const QByteArray& doc, int rounds, double& oursRate) {
    double ours = 1e300, floor = 1e300;
    for (int r = 0; r < rounds; ++r) {
        double start = cpuSeconds();
        if (!parseOurs(doc)) {
            std::fprintf(stderr, "bench: a document did not parse\n");
            std::exit(1);
        }
        ours = std::min(ours, cpuSeconds() - start);
        start = cpuSeconds();
        parseWithEmptyHandlers(doc, kChunk);
        floor = std::min(floor, cpuSeconds() - start);
    }
    oursRate = double(doc.size()) / ours;
    return floor / ours;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == "--generate") {
        QFile out(QString::fromLocal8Bit(argv[2]));
        return out.open(QIODevice::WriteOnly) && out.write(generateFeed(std::atoi(argv[3]))) > 0 ? 0 : 1;
    }
    if (argc == 3 && QByteArray(argv[1]) == "--profile") {
        QFile file(QString::fromLocal8Bit(argv[2]));
        return file.open(QIODevice::ReadOnly) && parseOurs(file.readAll()) ? 0 : 1;
    }
    const QByteArray typical = generateFeed(kTypicalItems);
    const QByteArray large = generateFeed(kLargeItems);
    double rate = 0;
    const double rT = ratio(typical, 200, rate);
    std::printf("1a parse typical vs libxml2 empty handlers: %.2fx (%.1f MB/s), target >= 0.6x\n", rT,
                rate / 1e6);
    const double rL = ratio(large, 5, rate);
    std::printf("1b parse large vs libxml2 empty handlers: %.2fx (%.1f MB/s), target >= 0.5x\n", rL,
                rate / 1e6);
    return 0;
}
