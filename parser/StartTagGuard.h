#pragma once
#include <QString>
#include <cstddef>
#include <vector>

// What one start tag may hold before libxml2 sees it. libxml2 reads a whole
// start tag before it reports anything, and checks its attributes and the
// namespaces in scope pairwise: a single tag of a few megabytes keeps it busy for
// minutes, out of reach of every other bound.
struct StartTagLimits {
    std::size_t maxStartTagBytes = std::size_t(1) << 20;
    int maxAttributes = 256;        // per element, namespace declarations included
    int maxNamespacesInScope = 128; // declared by the element and the ones around it
    int maxDepth = 256;             // nested elements
};

// Scans a document's bytes, in order and once, ahead of the parser: start tags,
// end tags, comments, CDATA sections, processing instructions and the document
// type declaration are told apart, so that markup inside the others is not
// counted. It works on the code units of the document's encoding (one byte, or
// two or four for UTF-16 and UTF-32), where "<", ">", "=", quotes and blanks are
// the same characters in every encoding libxml2 reads.
class StartTagGuard {
  public:
    explicit StartTagGuard(StartTagLimits limits = {}) : limits_(limits) {}

    // The width and byte order of the code units, judged from the document's first
    // bytes; one byte when they show no UTF-16 or UTF-32.
    void setEncodingFromHead(const char* head, std::size_t size);

    // How many of these bytes may go on: all of them, or those before the tag that
    // passes a bound, which refusal() then names. Nothing passes after a refusal.
    std::size_t scan(const char* data, std::size_t size);
    bool refused() const { return !refusal_.isEmpty(); }
    const QString& refusal() const { return refusal_; }

  private:
    enum class State { Text, Open, StartTag, EndTag, Bang, Comment, CData, Instruction, Doctype };
    void scanBytes(const char* data, std::size_t size);
    bool simpleTag(const char* data, std::size_t from, std::size_t size, std::size_t& after);
    void step(char32_t c, std::size_t at);
    std::size_t startTagRun(const char* data, std::size_t i, std::size_t size);
    void countAttribute();
    void beginStartTag(char32_t first);
    void endElement();
    void refuseLongTag();
    void endStartTag(bool empty);
    void doctypeStep(char32_t c);
    bool quoted(char32_t c);
    void refuse(QString why);

    StartTagLimits limits_;
    int unitBytes_ = 1;
    bool bigEndian_ = false;
    unsigned char pending_[4] = {};
    int pendingBytes_ = 0;

    State state_ = State::Text;
    std::size_t tagStart_ = 0;    // where the current markup began in this scan
    bool tagStartedHere_ = false; // ... or in an earlier one
    std::size_t tagBytes_ = 0;    // characters, in fact: wide encodings are narrowed first
    int attributes_ = 0;
    int declarations_ = 0; // namespace declarations of the current tag
    bool inQuote_ = false;
    char32_t quote_ = 0;
    bool inName_ = false;   // reading an attribute's name
    char nameHead_[7] = {}; // its first characters
    int nameLength_ = 0;
    char32_t last_ = 0;       // last character outside quotes in the tag
    char32_t recent_[3] = {}; // the last three characters, for terminators
    char bang_[8] = {};       // what follows "<!"
    int bangLength_ = 0;
    bool inSubset_ = false; // inside the internal subset's brackets
    int subsetMarkup_ = 0;  // in a comment (1) or instruction (2) of the subset

    std::vector<int> declaredPerLevel_; // namespace declarations of each open element
    int inScope_ = 0;
    QString refusal_;
};
