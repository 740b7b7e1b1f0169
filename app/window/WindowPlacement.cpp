#include "app/window/WindowPlacement.h"

#include <algorithm>

QRect freeAreaBeside(const QRect& available, const QRect& strip) {
    if (!strip.isValid() || !available.intersects(strip)) return available;
    const QRect above(available.left(), available.top(), available.width(), strip.top() - available.top());
    const QRect below(available.left(), strip.bottom() + 1, available.width(),
                      available.bottom() - strip.bottom());
    return above.height() >= below.height() ? above : below;
}

QRect fitWithin(const QRect& area, const QSize& wanted, const QMargins& frame) {
    const int roomWidth = std::max(1, area.width() - frame.left() - frame.right());
    const int roomHeight = std::max(1, area.height() - frame.top() - frame.bottom());
    const QSize size(std::clamp(wanted.width(), 1, roomWidth), std::clamp(wanted.height(), 1, roomHeight));
    const int outerWidth = size.width() + frame.left() + frame.right();
    const int outerHeight = size.height() + frame.top() + frame.bottom();
    const int left = area.left() + std::max(0, (area.width() - outerWidth) / 2) + frame.left();
    const int top = area.top() + std::max(0, (area.height() - outerHeight) / 2) + frame.top();
    return QRect(QPoint(left, top), size);
}
