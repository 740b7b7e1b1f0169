#pragma once
#include "host/PNTickerSign.h"

#include <QColor>
#include <QFont>
#include <QPixmap>

// How the strip draws signs: its fonts, colours, height and the screen's pixel ratio.
struct SignLook {
    QFont standardFont;
    QFont smallFont;
    QColor textColor;
    QColor background;
    // What the runs a sign marks blue (its headline) are drawn in.
    QColor linkColor = QColor(Qt::blue);
    int height = 24; // the strip's height, in logical pixels
    qreal pixelRatio = 1;

    // The standard and small system fonts and the palette of the application.
    static SignLook system();
    // The strip's height for a font: one line and a little air above and below.
    static int stripHeightFor(const QFont& font);
    // The font of a sign's small runs (its feed's title) beside a standard one.
    static QFont smallFontFor(const QFont& standard);
};

// The widest a sign is drawn, in logical pixels; wider signs are cut off there.
inline constexpr int maximumSignWidth = 8192;

// A sign rendered once, opaque on the strip's background, as tall as the strip and
// as wide as the sign (device pixel ratio set, so it stays sharp on HiDPI screens).
QPixmap renderSign(const PNTickerSign& sign, const SignLook& look);
