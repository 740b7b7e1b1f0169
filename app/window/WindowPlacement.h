#pragma once
#include <QMargins>
#include <QRect>
#include <QSize>

// Where the host's windows go on a screen that the strip shares.

// The part of a screen's available area clear of the strip, which spans the screen
// at its top or bottom edge: the taller of the parts above and below it. The area
// itself when the strip does not reach into it (a window manager that keeps
// windows clear of docks has taken it out already).
QRect freeAreaBeside(const QRect& available, const QRect& strip);

// The geometry (without its frame) of a window of the wanted size put within the
// area, frame and all: as large as wanted where that fits, else as large as the
// area allows, centred in it.
QRect fitWithin(const QRect& area, const QSize& wanted, const QMargins& frame);
