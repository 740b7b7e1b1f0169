#include "app/window/StripAppearance.h"

#include <algorithm>
#include <cmath>

namespace {

// Text of ordinary size needs this much contrast to read comfortably.
constexpr double readableContrast = 4.5;

double channel(double value) {
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor automaticLinkColor(const QColor& background) {
    const QColor blue(Qt::blue);
    if (contrastRatio(blue, background) >= readableContrast) return blue;
    // Lighter on a dark background, darker on a light one, the hue kept: one of the
    // two ends always reads, since black or white contrasts with any colour.
    const bool lighter = contrastRatio(Qt::white, background) > contrastRatio(Qt::black, background);
    const qreal hue = blue.hslHueF(), saturation = blue.hslSaturationF();
    QColor best = blue;
    for (int step = 1; step <= 50; ++step) {
        const qreal lightness = lighter ? 0.5 + step * 0.01 : 0.5 - step * 0.01;
        best = QColor::fromHslF(hue, saturation, lightness);
        if (contrastRatio(best, background) >= readableContrast) break;
    }
    return best.toRgb();
}

SignLook lookFor(const StripAppearance& appearance) {
    SignLook look = SignLook::system();
    QFont font = look.standardFont;
    if (!appearance.fontFamily.isEmpty()) font.setFamilies({appearance.fontFamily});
    if (appearance.fontSize) font.setPointSizeF(*appearance.fontSize);
    if (font != look.standardFont) {
        look.standardFont = font;
        look.smallFont = SignLook::smallFontFor(font);
    }
    if (appearance.textColor) look.textColor = *appearance.textColor;
    if (appearance.background) look.background = *appearance.background;
    look.linkColor = appearance.linkColor ? *appearance.linkColor : automaticLinkColor(look.background);
    look.height = appearance.height ? *appearance.height : SignLook::stripHeightFor(look.standardFont);
    return look;
}
