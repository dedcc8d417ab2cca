#include "QrCodeItem.h"

#include <QPainter>
#include <qrencode.h>

QrCodeItem::QrCodeItem(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(false);
}

void QrCodeItem::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    m_width = 0;
    m_dark.clear();
    const QByteArray bytes = text.toUtf8();
    // Level M survives a smudged or glaring screen; an address needs only a small symbol even so.
    if (QRcode* code = bytes.isEmpty() ? nullptr : QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M)) {
        m_width = code->width;
        m_dark.resize(std::size_t(m_width) * m_width);
        for (std::size_t index = 0; index < m_dark.size(); ++index)
            m_dark[index] = code->data[index] & 1; // the low bit is the module's colour
        QRcode_free(code);
    }
    Q_EMIT textChanged();
    update();
}

void QrCodeItem::paint(QPainter* painter)
{
    const int side = int(std::min(width(), height()));
    const int count = moduleCount();
    if (count == 0 || side < count)
        return;
    const int module = side / count;
    const int drawn = module * count;
    const QPoint origin((int(width()) - drawn) / 2, (int(height()) - drawn) / 2);
    painter->fillRect(QRect(origin, QSize(drawn, drawn)), Qt::white);
    const QPoint symbol = origin + QPoint(quietZone * module, quietZone * module);
    for (int row = 0; row < m_width; ++row) {
        for (int column = 0; column < m_width; ++column) {
            if (m_dark[std::size_t(row) * m_width + column])
                painter->fillRect(symbol.x() + column * module, symbol.y() + row * module, module, module, Qt::black);
        }
    }
}
