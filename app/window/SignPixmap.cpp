#include "app/window/SignPixmap.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
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

// Blue is how a sign marks its headline; the strip's own link colour stands in for
// it, so that a headline reads on any background.
QColor runColor(const PNAttributedString::Run& run, const SignLook& look) {
    if (!run.color || !run.color->isValid()) return look.textColor;
    return *run.color == QColor(Qt::blue) ? look.linkColor : *run.color;
}

// The colour emoji font installed, if any (the first of the usual ones).
QString colourEmojiFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* name :
             {"Noto Color Emoji", "Twemoji", "JoyPixels", "Apple Color Emoji", "Segoe UI Emoji"})
            if (installed.contains(QLatin1String(name))) return QString::fromLatin1(name);
        return QString();
    }();
    return family;
}

// Emoji come from the colour font, ahead of the monochrome symbol fonts the
// system's fallback picks first for them (which also split a skin tone or a
// joined sequence over two fonts); the font's own letters come first as ever.
QFont withColourEmoji(QFont font) {
    const QString emoji = colourEmojiFamily();
    if (emoji.isEmpty()) return font;
    // The family the font resolves to, not an alias such as "Sans Serif": behind an
    // alias the emoji font would come first, blanks and digits included.
    const QString resolved = QFontInfo(font).family();
    if (resolved == emoji) return font;
    font.setFamilies({resolved, emoji});
    return font;
}

// Each run of the sign (the headline, its feed's title) is its own isolate of
// direction: a right-to-left override or embedding left open in a headline ends
// with it, and cannot turn its feed's title around. The line as a whole takes the
// direction of its first strong letter, as before.
struct IsolatedText {
    QString text;
    QList<QTextLayout::FormatRange> formats;
};

IsolatedText isolatedRuns(const PNAttributedString& text, const SignLook& look) {
    constexpr QChar firstStrongIsolate(0x2068), popDirectionalIsolate(0x2069);
    IsolatedText out;
    const QString& source = text.string();
    out.text.reserve(source.size() + 4);
    for (const PNAttributedString::Run& run : text.runs()) {
        QTextCharFormat format;
        format.setFont(withColourEmoji(run.font == PNAttributedString::Font::Small ? look.smallFont
                                                                                   : look.standardFont));
        format.setForeground(runColor(run, look));
        if (run.underline && *run.underline != 0) format.setFontUnderline(true);
        const int start = int(out.text.size());
        out.text += firstStrongIsolate;
        out.text += QStringView(source).mid(run.start, run.length);
        out.text += popDirectionalIsolate;
        out.formats.append(QTextLayout::FormatRange{start, int(out.text.size()) - start, format});
    }
    return out;
}

QPixmap renderText(const PNAttributedString& text, const SignLook& look) {
    IsolatedText isolated = isolatedRuns(text, look);
    QTextLayout layout(isolated.text, withColourEmoji(look.standardFont));
    layout.setFormats(isolated.formats);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(text.string().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    // At the pixmap's left edge whichever the direction: the line is as wide as the text.
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
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
    // Every sign's baseline sits where the standard font's does, whatever taller
    // glyphs (emoji, another script's fallback font) a line holds.
    const QFontMetricsF standard(look.standardFont);
    const qreal baseline = std::floor((look.height - standard.height()) / 2) + standard.ascent();
    layout.draw(&painter, QPointF(0, std::round(baseline - line.ascent())));
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
    look.smallFont = smallFontFor(look.standardFont);
    const QPalette palette = QApplication::palette();
    look.textColor = palette.color(QPalette::WindowText);
    look.background = palette.color(QPalette::Window);
    look.height = stripHeightFor(look.standardFont);
    return look;
}

QFont SignLook::smallFontFor(const QFont& standard) {
    QFont small = standard;
    if (standard.pointSizeF() > 0)
        small.setPointSizeF(standard.pointSizeF() * 0.85);
    else
        small.setPixelSize(std::max(6, int(standard.pixelSize() * 0.85)));
    return small;
}

int SignLook::stripHeightFor(const QFont& font) {
    const int line = QFontMetrics(font).height();
    return line + std::max(6, line / 3);
}

QPixmap renderSign(const PNTickerSign& sign, const SignLook& look) {
    if (sign.isText()) return renderText(static_cast<const PNTextTickerSign&>(sign).text(), look);
    return renderImage(sign, look);
}
