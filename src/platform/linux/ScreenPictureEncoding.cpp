#include "ScreenPictureEncoding.h"

#include "platform/ScreenPicture.h"

#include <QBuffer>
#include <array>

QByteArray encodeScreenPicture(const QImage& screen)
{
    const QImage small = screen.width() > ScreenPicture::maxWidth
        ? screen.scaledToWidth(ScreenPicture::maxWidth, Qt::SmoothTransformation)
        : screen;
    // Slides are mostly flat colour and text: the first quality nearly always fits, so one encoding is the rule.
    for (const int quality : std::array { 80, 65, 50, 35, 20 }) {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!small.save(&buffer, "JPEG", quality))
            return {};
        if (jpeg.size() <= ScreenPicture::maxBytes)
            return jpeg;
    }
    return {};
}
