// Arbitrary bytes through the format reader (RSS, Atom, JSON Feed, a web page's
// head) and the OPML import, then through what the sign builder and the menus
// read, with the chunking and the transport charset varied by the input.
#include "feeds/FeedListOpml.h"
#include "fuzz/SignChecks.h"
#include "parser/FeedDocumentParser.h"
#include "platform/SystemLog.h"

#include <cstddef>
#include <cstdint>

namespace {

const char* const kCharsets[] = {"", "windows-1252", "UTF-16", "bogus"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setLogListener([](const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const std::size_t chunk = size % 3 == 0 ? size + 1 : 1 + size % 97;

    FeedDocumentParser reader(QUrl(QStringLiteral("https://feeds.example/dir/feed")));
    reader.setFallbackEncoding(kCharsets[size % std::size(kCharsets)]);
    for (std::size_t at = 0; at < size; at += chunk)
        if (!reader.parseChunk(bytes + at, std::min(chunk, size - at))) break;
    consumed += std::size_t(reader.finish());
    buildSigns(reader.takeFeed());
    if (reader.namedFeed()) consumed += std::size_t(reader.namedFeed()->toString().size());

    QVariantList feeds{QVariantMap{{QStringLiteral("url"), QStringLiteral("https://a.example/")}}};
    importOpml(QByteArray::fromRawData(bytes, qsizetype(size)), feeds);
    consumed += std::size_t(feeds.size());
    return 0;
}
