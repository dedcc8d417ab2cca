#include "Palette.h"

#include "ColorFromHex.h"

QColor Palette::paper()
{
    static const QColor colour = ::colorFromHex(QStringLiteral("F6F1E8"));
    return colour;
}

QColor Palette::surface()
{
    static const QColor colour = ::colorFromHex(QStringLiteral("EEE8D9"));
    return colour;
}

QColor Palette::ink()
{
    static const QColor colour = ::colorFromHex(QStringLiteral("221B18"));
    return colour;
}

QColor Palette::muted()
{
    static const QColor colour = ::colorFromHex(QStringLiteral("756B5F"));
    return colour;
}

QColor Palette::accent()
{
    static const QColor colour = ::colorFromHex(QStringLiteral("B94435"));
    return colour;
}

QColor Palette::line()
{
    static const QColor colour = ::colorFromHex(QStringLiteral("DDD4C4"));
    return colour;
}

// The light-appearance system green and orange of the desktop the views were drawn for.
QColor Palette::systemGreen() { return QColor(52, 199, 89); }

QColor Palette::systemOrange() { return QColor(255, 149, 0); }

QColor Palette::withOpacity(const QColor& colour, qreal opacity) const
{
    QColor faded = colour;
    faded.setAlphaF(float(colour.alphaF() * opacity));
    return faded;
}
