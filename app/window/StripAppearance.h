#pragma once
#include "app/window/SignPixmap.h"

#include <QColor>
#include <QString>
#include <optional>

// What the user chose for the strip's look. Whatever is left unset follows the
// system (its font and palette) or, for the height, the font; an unset link colour
// is blue unless blue would not stand out against the background.
struct StripAppearance {
    static constexpr double minimumFontSize = 6; // points
    static constexpr double maximumFontSize = 72;
    static constexpr int minimumHeight = 12; // logical pixels
    static constexpr int maximumHeight = 200;

    QString fontFamily;             // empty: the system font's
    std::optional<double> fontSize; // points; none: the system font's
    std::optional<QColor> textColor;
    std::optional<QColor> background;
    std::optional<QColor> linkColor;
    std::optional<int> height; // none: one line of the font and a little air

    bool operator==(const StripAppearance&) const = default;
};

// The look the strip draws with: the system's fonts and palette, the user's
// choices over them.
SignLook lookFor(const StripAppearance& appearance);

// The colour of the runs a sign marks blue, when the user chose none: blue where it
// reads well on the background, else the blue nearest to it that does.
QColor automaticLinkColor(const QColor& background);

// Contrast between two colours as the web's accessibility guidelines measure it,
// from 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
