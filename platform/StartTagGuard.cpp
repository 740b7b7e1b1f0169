#include "platform/StartTagGuard.h"

#include <algorithm>
#include <cstring>

namespace platform {

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
    const auto passed = [&]() -> std::size_t { return tagStartedHere_ ? tagStart_ : 0; };
    if (unitBytes_ == 1) {
        for (std::size_t i = 0; i < size; ++i) {
            // Text, comments, CDATA and instructions hold most of a feed; only
            // the byte that could end them needs a look.
            const bool skipping = state_ == State::Text || state_ == State::Comment ||
                                  state_ == State::CData || state_ == State::Instruction;
            if (skipping) {
                const char wanted = state_ == State::Text ? '<' : '>';
                const void* found = std::memchr(data + i, wanted, size - i);
                const std::size_t next = found ? std::size_t(static_cast<const char*>(found) - data) : size;
                for (std::size_t k = next - std::min<std::size_t>(next - i, 3); k < next; ++k) {
                    recent_[0] = recent_[1];
                    recent_[1] = recent_[2];
                    recent_[2] = static_cast<unsigned char>(data[k]) < 0x80 ? char32_t(data[k]) : kOther;
                }
                if (!found) break;
                i = next;
            }
            const auto byte = static_cast<unsigned char>(data[i]);
            step(byte < 0x80 ? char32_t(byte) : kOther, i);
            if (refused()) return passed();
        }
        return size;
    }
    for (std::size_t i = 0; i < size; ++i) {
        pending_[pendingBytes_++] = static_cast<unsigned char>(data[i]);
        if (pendingBytes_ < unitBytes_) continue;
        char32_t unit = 0;
        for (int b = 0; b < unitBytes_; ++b)
            unit |= char32_t(pending_[bigEndian_ ? unitBytes_ - 1 - b : b]) << (8 * b);
        pendingBytes_ = 0;
        const std::size_t unitStart = i + 1 >= std::size_t(unitBytes_) ? i + 1 - std::size_t(unitBytes_) : 0;
        step(unit < kOther ? unit : kOther, unitStart);
        if (refused()) return passed();
    }
    return size;
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
            state_ = State::StartTag;
            tagBytes_ = 2 * std::size_t(unitBytes_);
            attributes_ = 0;
            declarations_ = 0;
            inQuote_ = false;
            inName_ = false;
            nameLength_ = 0;
            last_ = c;
        } else {
            state_ = State::Text; // not markup; the parser says what it is
        }
        break;
    case State::StartTag:
        startTagStep(c);
        break;
    case State::EndTag:
        if (c == '>') {
            if (!declaredPerLevel_.empty()) {
                inScope_ -= declaredPerLevel_.back();
                declaredPerLevel_.pop_back();
            }
            state_ = State::Text;
        }
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

void StartTagGuard::startTagStep(char32_t c) {
    tagBytes_ += std::size_t(unitBytes_);
    if (tagBytes_ > limits_.maxStartTagBytes)
        return refuse(
            QStringLiteral("a start tag longer than %1 bytes").arg(qulonglong(limits_.maxStartTagBytes)));
    const bool opening = !inQuote_ && (c == '"' || c == '\'');
    if (quoted(c)) {
        if (opening) {
            inName_ = false;
            last_ = c;
        }
        return;
    }
    if (c == '>') {
        state_ = State::Text;
        return endStartTag(last_ == '/');
    }
    if (isBlank(c)) {
        inName_ = false;
        return;
    }
    last_ = c;
    if (c == '=') {
        inName_ = false;
        if (++attributes_ > limits_.maxAttributes)
            return refuse(
                QStringLiteral("an element with more than %1 attributes").arg(limits_.maxAttributes));
        const bool xmlns = std::memcmp(nameHead_, "xmlns", 5) == 0 &&
                           (nameLength_ == 5 || (nameLength_ > 5 && nameHead_[5] == ':'));
        if (xmlns && inScope_ + ++declarations_ > limits_.maxNamespacesInScope)
            return refuse(QStringLiteral("more than %1 namespace declarations in scope")
                              .arg(limits_.maxNamespacesInScope));
        return;
    }
    if (c == '/') return;
    if (!inName_) {
        inName_ = true;
        nameLength_ = 0;
        std::memset(nameHead_, 0, sizeof nameHead_);
    }
    if (nameLength_ < 6) nameHead_[nameLength_] = c < kOther ? char(c) : '\x80';
    if (nameLength_ < 1 << 20) ++nameLength_;
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

} // namespace platform
