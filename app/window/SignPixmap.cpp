#include "app/window/SignPixmap.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

QPixmap blankPixmap(int width, const SignLook& look) {
    const qreal ratio = look.pixelRatio > 0 ? look.pixelRatio : 1;
    QPixmap pixmap(std::max(1, int(std::ceil(width * ratio))),
                   std::max(1, int(std::ceil(look.height * ratio))));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(look.background);
    return pixmap;
}

QPixmap renderText(const PNAttributedString& text, const SignLook& look) {
    QTextLayout layout(text.string(), look.standardFont);
    QList<QTextLayout::FormatRange> formats;
    for (const PNAttributedString::Run& run : text.runs()) {
        QTextCharFormat format;
        format.setFont(run.font == PNAttributedString::Font::Small ? look.smallFont : look.standardFont);
        format.setForeground(run.color && run.color->isValid() ? *run.color : look.textColor);
        if (run.underline && *run.underline != 0) format.setFontUnderline(true);
        formats.append(QTextLayout::FormatRange{run.start, run.length, format});
    }
    layout.setFormats(formats);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(maximumSignWidth);
    layout.endLayout();
    if (!line.isValid()) return blankPixmap(1, look);

    const int width = std::clamp(int(std::ceil(line.naturalTextWidth())), 1, maximumSignWidth);
    QPixmap pixmap = blankPixmap(width, look);
    QPainter painter(&pixmap);
    painter.setPen(look.textColor);
    const qreal top = std::floor((look.height - line.height()) / 2);
    layout.draw(&painter, QPointF(0, top));
    return pixmap;
}

QPixmap renderImage(const PNTickerSign& sign, const SignLook& look) {
    const QImage image = sign.image();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return blankPixmap(1, look);
    const PNSize size = sign.size();
    qreal width = size.width;
    qreal height = size.height;
    if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0) {
        // No usable display size: fit the image to the strip's height.
        height = look.height;
        width = height * image.width() / image.height();
    }
    if (height > look.height) {
        width = width * look.height / height;
        height = look.height;
    }
    width = std::min(width, qreal(maximumSignWidth));
    QPixmap pixmap = blankPixmap(int(std::ceil(width)), look);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Drawn into a logical rectangle of a pixmap with the screen's ratio, the image is
    // scaled to device pixels, not scaled up from a logical-size copy.
    painter.drawImage(QRectF(0, (look.height - height) / 2, width, height), image);
    return pixmap;
}

} // namespace

SignLook SignLook::system() {
    SignLook look;
    look.standardFont = QApplication::font();
    look.smallFont = look.standardFont;
    if (look.standardFont.pointSizeF() > 0)
        look.smallFont.setPointSizeF(look.standardFont.pointSizeF() * 0.85);
    else
        look.smallFont.setPixelSize(std::max(6, int(look.standardFont.pixelSize() * 0.85)));
    const QPalette palette = QApplication::palette();
    look.textColor = palette.color(QPalette::WindowText);
    look.background = palette.color(QPalette::Window);
    look.height = stripHeightFor(look.standardFont);
    return look;
}

int SignLook::stripHeightFor(const QFont& font) {
    const int line = QFontMetrics(font).height();
    return line + std::max(6, line / 3);
}

QPixmap renderSign(const PNTickerSign& sign, const SignLook& look) {
    if (sign.isText()) return renderText(static_cast<const PNTextTickerSign&>(sign).text(), look);
    return renderImage(sign, look);
}
