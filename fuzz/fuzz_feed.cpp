// Arbitrary bytes through what a feed update does with a document: the event
// parser, the RSS handlers and the sign builder's texts, addresses and
// time-to-live, with the chunking and the transport charset varied by the input.
#include "feeds/FeedAddress.h"
#include "feeds/RssHandlers.h"
#include "feeds/SignText.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"
#include "platform/XmlEventParser.h"

#include <QUrl>
#include <cstddef>
#include <cstdint>

namespace {

const char* const kCharsets[] = {"", "windows-1252", "KOI8-R", "Shift_JIS", "UTF-16", "ISO-8859-15", "bogus"};

std::size_t consumed = 0; // keeps the results observable

void buildSigns(const FeedDictionary& feed) {
    const QVariantMap channel = feed.channel.value_or(QVariantMap());
    const QString feedURL = QStringLiteral("https://feeds.example/rss");
    consumed += std::size_t(platform::intValueOfText(entryText(channel.value(QStringLiteral("ttl")))) & 1);
    const QVariantMap image = channel.value(QStringLiteral("image")).toMap();
    if (auto url = channelImageAddress(entryText(image.value(QStringLiteral("url"))), QUrl(feedURL)))
        consumed += std::size_t(url->toString().size());
    consumed += std::size_t(entryText(image.value(QStringLiteral("link"))).size());
    if (!feed.items) return;
    const QVariantList markers{QStringLiteral("hidden")};
    for (qsizetype i = 0; i < feed.items->size(); ++i) {
        const QVariantMap item = feed.items->at(i).toMap();
        if (isHiddenItem(item, markers)) continue;
        for (int length : {0, 1, 25, 200})
            consumed += std::size_t(signText(item, channel, length).length());
        consumed += std::size_t(itemActionString(i, feedURL).size());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setLogListener([](const QString&) {}); // parse errors are expected here
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const std::size_t chunk = size % 3 == 0 ? size + 1 : 1 + size % 97;

    RssHandlers handlers;
    bool ended = false;
    handlers.documentDidEnd = [&] { ended = true; };
    platform::XmlEventParser parser(handlers);
    parser.setFallbackEncoding(kCharsets[size % std::size(kCharsets)]);
    for (std::size_t at = 0; at < size && !parser.failed(); at += chunk)
        parser.parseChunk(bytes + at, std::min(chunk, size - at));
    parser.finish();
    // The sign builder runs on a complete document only; what a failed parse left
    // is read by the menus, so it must be just as sound.
    buildSigns(handlers.feedDictionary());
    consumed += ended;
    return 0;
}
