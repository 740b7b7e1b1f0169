#include "host/PNAttributedString.h"

#include <algorithm>

void PNAttributedString::ensureCovered() {
    if (runs_.isEmpty() && !text_.isEmpty()) runs_.append(Run{0, length(), Font::Standard, {}, {}});
}

template <typename Apply> void PNAttributedString::apply(int start, int length, Apply&& change) {
    ensureCovered();
    const int end = std::min(start + length, this->length());
    start = std::max(start, 0);
    if (start >= end) return;
    QList<Run> out;
    out.reserve(runs_.size() + 2);
    for (const Run& run : runs_) {
        const int runEnd = run.start + run.length;
        if (runEnd <= start || run.start >= end) {
            out.append(run);
            continue;
        }
        if (run.start < start) {
            Run head = run;
            head.length = start - run.start;
            out.append(head);
        }
        Run mid = run;
        mid.start = std::max(run.start, start);
        mid.length = std::min(runEnd, end) - mid.start;
        change(mid);
        out.append(mid);
        if (runEnd > end) {
            Run tail = run;
            tail.start = end;
            tail.length = runEnd - end;
            out.append(tail);
        }
    }
    // A sign keeps its text for as long as it is shown: no room for runs to come.
    out.squeeze();
    runs_ = std::move(out);
}

void PNAttributedString::addFont(int start, int length, Font font) {
    apply(start, length, [font](Run& r) { r.font = font; });
}

void PNAttributedString::addColor(int start, int length, const QColor& color) {
    apply(start, length, [&color](Run& r) { r.color = color; });
}

void PNAttributedString::addUnderline(int start, int length, int style) {
    apply(start, length, [style](Run& r) { r.underline = style; });
}

QList<PNAttributedString::Run> PNAttributedString::runs() const {
    if (runs_.isEmpty()) {
        if (text_.isEmpty()) return {};
        return {Run{0, length(), Font::Standard, {}, {}}};
    }
    QList<Run> merged;
    for (const Run& run : runs_) {
        if (!merged.isEmpty()) {
            Run& last = merged.last();
            if (last.font == run.font && last.color == run.color && last.underline == run.underline) {
                last.length += run.length;
                continue;
            }
        }
        merged.append(run);
    }
    return merged;
}
