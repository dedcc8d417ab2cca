#include "Palette.h"

QColor Palette::colorFromHex(QStringView sixDigits) { return QColor::fromRgb(sixDigits.toUInt(nullptr, 16)); }

QColor Palette::paper() { return colorFromHex(u"F6F1E8"); }

QColor Palette::surface() { return colorFromHex(u"EEE8D9"); }

QColor Palette::ink() { return colorFromHex(u"221B18"); }

QColor Palette::muted() { return colorFromHex(u"756B5F"); }

QColor Palette::accent() { return colorFromHex(u"B94435"); }

QColor Palette::line() { return colorFromHex(u"DDD4C4"); }

// The light-appearance system green and orange of the desktop the views were drawn for.
QColor Palette::systemGreen() { return QColor(52, 199, 89); }

QColor Palette::systemOrange() { return QColor(255, 149, 0); }

QColor Palette::withOpacity(const QColor& colour, qreal opacity) const
{
    QColor faded = colour;
    faded.setAlphaF(float(colour.alphaF() * opacity));
    return faded;
}
