#pragma once
#include <QByteArray>
#include <QColor>

// The PNG file of a picture of one colour, for servers that hand out images.
QByteArray pngOfColour(int width, int height, const QColor& colour);
