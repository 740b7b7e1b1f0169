#include "parser/StartTagGuard.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr char32_t kOther = 0x80; // any character beyond ASCII: a letter as far as markup goes

bool isBlank(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameStart(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= kOther;
}

} // namespace

void StartTagGuard::setEncodingFromHead(const char* head, std::size_t size) {
    const auto at = [&](std::size_t i) { return i < size ? static_cast<unsigned char>(head[i]) : 0x100; };
    const bool zero2 = at(2) == 0 && at(3) == 0;
    if ((at(0) == 0xFF && at(1) == 0xFE && zero2) || (at(0) == '<' && at(1) == 0 && zero2)) {
        unitBytes_ = 4;
        bigEndian_ = false;
    } else if ((at(0) == 0 && at(1) == 0 && at(2) == 0xFE && at(3) == 0xFF) ||
               (at(0) == 0 && at(1) == 0 && at(2) == 0 && at(3) == '<')) {
        unitBytes_ = 4;
        bigEndian_ = true;
    } else if ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == '<' && at(1) == 0)) {
        unitBytes_ = 2;
        bigEndian_ = false;
    } else if ((at(0) == 0xFE && at(1) == 0xFF) || (at(0) == 0 && at(1) == '<')) {
        unitBytes_ = 2;
        bigEndian_ = true;
    } else {
        unitBytes_ = 1;
    }
}

void StartTagGuard::refuse(QString why) {
    if (refusal_.isEmpty()) refusal_ = std::move(why);
}

std::size_t StartTagGuard::scan(const char* data, std::size_t size) {
    if (refused()) return 0;
    tagStartedHere_ = false;
    if (unitBytes_ == 1) {
        scanBytes(data, size);
        return refused() && tagStartedHere_ ? tagStart_ : refused() ? 0 : size;
    }
    // UTF-16 and UTF-32 are read as one byte a character, ASCII as it is and
    // anything else as a letter; the refused tag's place is mapped back.
    const int carried = pendingBytes_;
    QByteArray narrow;
    narrow.reserve(qsizetype(size) / unitBytes_ + 1);
    for (std::size_t i = 0; i < size; ++i) {
        pending_[pendingBytes_++] = static_cast<unsigned char>(data[i]);
        if (pendingBytes_ < unitBytes_) continue;
        char32_t unit = 0;
        for (int b = 0; b < unitBytes_; ++b)
            unit |= char32_t(pending_[bigEndian_ ? unitBytes_ - 1 - b : b]) << (8 * b);
        pendingBytes_ = 0;
        narrow += unit < kOther ? char(unit) : '\x80';
    }
    scanBytes(narrow.constData(), std::size_t(narrow.size()));
    if (!refused()) return size;
    const qint64 at = qint64(tagStart_) * unitBytes_ - carried;
    return tagStartedHere_ && at > 0 ? std::size_t(at) : 0;
}

// One byte a character: the runs that cannot hold a start tag, and most start
// tags, are passed over by looking for the one byte that ends them.
void StartTagGuard::scanBytes(const char* data, std::size_t size) {
    const auto character = [data](std::size_t k) {
        const auto byte = static_cast<unsigned char>(data[k]);
        return byte < 0x80 ? char32_t(byte) : kOther;
    };
    const auto next = [data, size](std::size_t from, char wanted) {
        const void* found = std::memchr(data + from, wanted, size - from);
        return found ? std::size_t(static_cast<const char*>(found) - data) : size;
    };
    for (std::size_t i = 0; i < size && !refused();) {
        switch (state_) {
        case State::Text:
            i = next(i, '<');
            // Most markup is a start or end tag: told apart without the general step.
            if (i + 1 < size && (isNameStart(character(i + 1)) || data[i + 1] == '/')) {
                tagStart_ = i;
                tagStartedHere_ = true;
                if (data[i + 1] == '/')
                    state_ = State::EndTag;
                else
                    beginStartTag(character(i + 1));
                i += 2;
                continue;
            }
            break;
        case State::EndTag:
            i = next(i, '>');
            if (i == size) return;
            endElement();
            ++i;
            continue;
        case State::StartTag:
            if (tagBytes_ == 2 && !inQuote_ && simpleTag(data, i, size, i)) continue;
            i = startTagRun(data, i, size);
            continue;
        case State::Comment:
        case State::CData:
        case State::Instruction: {
            // Their ends are told by the two characters before the ">".
            const std::size_t end = next(i, '>');
            for (std::size_t k = end - std::min<std::size_t>(end - i, 3); k < end; ++k) {
                recent_[0] = recent_[1];
                recent_[1] = recent_[2];
                recent_[2] = character(k);
            }
            i = end;
            break;
        }
        default:
            break;
        }
        if (i == size) return;
        step(character(i), i);
        ++i;
    }
}

// A start tag without attributes, whole in these bytes: taken at once. False
// when it is not one, to be read character by character.
bool StartTagGuard::simpleTag(const char* data, std::size_t from, std::size_t size, std::size_t& after) {
    const void* found = std::memchr(data + from, '>', size - from);
    if (!found) return false;
    const std::size_t close = std::size_t(static_cast<const char*>(found) - data);
    if (std::memchr(data + from, '=', close - from)) return false;
    tagBytes_ += close + 1 - from;
    if (tagBytes_ > limits_.maxStartTagBytes) {
        refuseLongTag();
        return true;
    }
    std::size_t last = close;
    while (last > from && isBlank(char32_t(static_cast<unsigned char>(data[last - 1]))))
        --last;
    const bool empty = last > from ? data[last - 1] == '/' : last_ == '/';
    state_ = State::Text;
    endStartTag(empty);
    after = close + 1;
    return true;
}

void StartTagGuard::step(char32_t c, std::size_t at) {
    switch (state_) {
    case State::Text:
        if (c == '<') {
            state_ = State::Open;
            tagStart_ = at;
            tagStartedHere_ = true;
        }
        break;
    case State::Open:
        if (c == '/') {
            state_ = State::EndTag;
        } else if (c == '!') {
            state_ = State::Bang;
            bangLength_ = 0;
        } else if (c == '?') {
            state_ = State::Instruction;
        } else if (isNameStart(c)) {
            beginStartTag(c);
        } else {
            state_ = State::Text; // not markup; the parser says what it is
        }
        break;
    case State::StartTag: // read by startTagRun
        break;
    case State::EndTag:
        if (c == '>') endElement();
        break;
    case State::Bang: {
        static constexpr char cdata[] = "[CDATA[";
        bang_[bangLength_++] = c < kOther ? char(c) : '\x80';
        if (bangLength_ == 2 && bang_[0] == '-' && bang_[1] == '-') {
            state_ = State::Comment;
            recent_[0] = recent_[1] = recent_[2] = 0;
        } else if (bangLength_ == 7 && std::memcmp(bang_, cdata, 7) == 0) {
            state_ = State::CData;
            recent_[0] = recent_[1] = recent_[2] = 0;
        } else if (std::memcmp(bang_, cdata, std::size_t(bangLength_)) != 0 &&
                   !(bangLength_ == 1 && bang_[0] == '-')) {
            // A declaration: the document type, with its internal subset.
            state_ = State::Doctype;
            inQuote_ = false;
            inSubset_ = false;
            subsetMarkup_ = 0;
            const int seen = bangLength_;
            for (int k = 0; k < seen; ++k)
                doctypeStep(char32_t(static_cast<unsigned char>(bang_[k])));
        }
        break;
    }
    case State::Comment:
        if (c == '>' && recent_[1] == '-' && recent_[2] == '-') state_ = State::Text;
        break;
    case State::CData:
        if (c == '>' && recent_[1] == ']' && recent_[2] == ']') state_ = State::Text;
        break;
    case State::Instruction:
        if (c == '>' && recent_[2] == '?') state_ = State::Text;
        break;
    case State::Doctype:
        doctypeStep(c);
        break;
    }
    recent_[0] = recent_[1];
    recent_[1] = recent_[2];
    recent_[2] = c;
}

// What a byte is to a start tag.
enum ByteKind : unsigned char { NamePart, Blank, Quote, Equals, Slash, Close };

constexpr std::array<ByteKind, 256> byteKinds() {
    std::array<ByteKind, 256> kinds{};
    kinds[' '] = kinds['\t'] = kinds['\r'] = kinds['\n'] = Blank;
    kinds['"'] = kinds['\''] = Quote;
    kinds['='] = Equals;
    kinds['/'] = Slash;
    kinds['>'] = Close;
    return kinds;
}

// From data[i] on, while the start tag lasts: where it ended (just past its ">")
// or size. Names are taken a run at a time, quoted values skipped whole.
std::size_t StartTagGuard::startTagRun(const char* data, std::size_t i, std::size_t size) {
    static constexpr std::array<ByteKind, 256> kinds = byteKinds();
    const auto kind = [&](std::size_t k) { return kinds[static_cast<unsigned char>(data[k])]; };
    while (i < size && state_ == State::StartTag && !refused()) {
        const std::size_t from = i;
        if (inQuote_) {
            const void* found = std::memchr(data + i, int(quote_), size - i);
            i = found ? std::size_t(static_cast<const char*>(found) - data) + 1 : size;
            inQuote_ = !found;
        } else {
            switch (kind(i)) {
            case NamePart:
                if (!inName_) {
                    inName_ = true;
                    nameLength_ = 0;
                    std::memset(nameHead_, 0, sizeof nameHead_);
                }
                for (; i < size && kind(i) == NamePart; ++i, ++nameLength_)
                    if (nameLength_ < 6) nameHead_[nameLength_] = data[i];
                last_ = char32_t(static_cast<unsigned char>(data[i - 1]));
                break;
            case Blank:
                inName_ = false;
                ++i;
                break;
            case Quote:
                inQuote_ = true;
                quote_ = char32_t(data[i]);
                inName_ = false;
                last_ = quote_;
                ++i;
                break;
            case Equals:
                inName_ = false;
                last_ = '=';
                ++i;
                countAttribute();
                break;
            case Slash:
                last_ = '/';
                ++i;
                break;
            case Close:
                ++i;
                state_ = State::Text;
                endStartTag(last_ == '/');
                break;
            }
        }
        tagBytes_ += i - from;
        if (tagBytes_ > limits_.maxStartTagBytes) refuseLongTag();
    }
    return i;
}

void StartTagGuard::refuseLongTag() {
    refuse(QStringLiteral("a start tag longer than %1 bytes").arg(qulonglong(limits_.maxStartTagBytes)));
}

// An "=": one more attribute, and one more namespace declaration when the name
// before it was xmlns or xmlns:prefix.
void StartTagGuard::countAttribute() {
    if (++attributes_ > limits_.maxAttributes)
        return refuse(QStringLiteral("an element with more than %1 attributes").arg(limits_.maxAttributes));
    const bool xmlns = std::memcmp(nameHead_, "xmlns", 5) == 0 &&
                       (nameLength_ == 5 || (nameLength_ > 5 && nameHead_[5] == ':'));
    if (xmlns && inScope_ + ++declarations_ > limits_.maxNamespacesInScope)
        return refuse(
            QStringLiteral("more than %1 namespace declarations in scope").arg(limits_.maxNamespacesInScope));
}

// Quoted values hide markup: true when c opened, closed or stood in one.
bool StartTagGuard::quoted(char32_t c) {
    if (inQuote_) {
        if (c == quote_) inQuote_ = false;
        return true;
    }
    if (c != '"' && c != '\'') return false;
    inQuote_ = true;
    quote_ = c;
    return true;
}

// "<" and the first character of the element's name have been read.
void StartTagGuard::beginStartTag(char32_t first) {
    state_ = State::StartTag;
    tagBytes_ = 2;
    attributes_ = 0;
    declarations_ = 0;
    inQuote_ = false;
    inName_ = false;
    nameLength_ = 0;
    last_ = first;
}

// An end tag's ">": its element's namespaces leave scope.
void StartTagGuard::endElement() {
    if (!declaredPerLevel_.empty()) {
        inScope_ -= declaredPerLevel_.back();
        declaredPerLevel_.pop_back();
    }
    state_ = State::Text;
}

void StartTagGuard::endStartTag(bool empty) {
    if (empty) return;
    if (int(declaredPerLevel_.size()) >= limits_.maxDepth)
        return refuse(QStringLiteral("more than %1 nested elements").arg(limits_.maxDepth));
    declaredPerLevel_.push_back(declarations_);
    inScope_ += declarations_;
}

void StartTagGuard::doctypeStep(char32_t c) {
    if (subsetMarkup_ == 1) { // a comment in the subset
        if (c == '>' && recent_[1] == '-' && recent_[2] == '-') subsetMarkup_ = 0;
        return;
    }
    if (subsetMarkup_ == 2) { // an instruction in the subset
        if (c == '>' && recent_[2] == '?') subsetMarkup_ = 0;
        return;
    }
    if (quoted(c)) return;
    if (inSubset_) {
        if (c == ']')
            inSubset_ = false;
        else if (c == '-' && recent_[0] == '<' && recent_[1] == '!' && recent_[2] == '-')
            subsetMarkup_ = 1;
        else if (c == '?' && recent_[2] == '<')
            subsetMarkup_ = 2;
        return;
    }
    if (c == '[')
        inSubset_ = true;
    else if (c == '>')
        state_ = State::Text;
}
