#pragma once

#include <QByteArray>
#include <QImage>

// The screen scaled down to ScreenPicture::maxWidth at most and written as a JPEG of ScreenPicture::maxBytes at most,
// at the best quality that fits; empty when even the lowest quality does not fit.
QByteArray encodeScreenPicture(const QImage& screen);
