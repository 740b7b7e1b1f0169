// Arbitrary bytes through what a feed update does with a document: the event
// parser, the RSS handlers and the sign builder's texts, addresses and
// time-to-live, with the chunking, the transport charset and recovery varied by
// the input.
#include "fuzz/SignChecks.h"
#include "parser/RssHandlers.h"
#include "parser/XmlEventParser.h"
#include "platform/SystemLog.h"

#include <cstddef>
#include <cstdint>

namespace {

const char* const kCharsets[] = {"", "windows-1252", "KOI8-R", "Shift_JIS", "UTF-16", "ISO-8859-15", "bogus"};

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
    XmlEventParser parser(handlers);
    parser.setFallbackEncoding(kCharsets[size % std::size(kCharsets)]);
    // Half the inputs are read as a second reading reads them: libxml2 recovering.
    parser.setRecovering(size % 2 == 1);
    for (std::size_t at = 0; at < size && !parser.failed(); at += chunk)
        parser.parseChunk(bytes + at, std::min(chunk, size - at));
    parser.finish();
    // The sign builder runs on a complete document only; what a failed parse left
    // is read by the menus, so it must be just as sound.
    buildSigns(handlers.feedDictionary());
    consumed += ended;
    return 0;
}
