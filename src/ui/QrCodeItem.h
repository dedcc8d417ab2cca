#pragma once

#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <vector>

// `QrCode` in QML: draws `text` as a QR code, black on white with its quiet zone, on whole pixels per module so a
// camera reads sharp edges. Encoded by libqrencode.
class QrCodeItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(QrCode)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    // Modules per side, quiet zone included; 0 when the text cannot be encoded.
    Q_PROPERTY(int moduleCount READ moduleCount NOTIFY textChanged)

public:
    static constexpr int quietZone = 4;

    explicit QrCodeItem(QQuickItem* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    int moduleCount() const { return m_width > 0 ? m_width + 2 * quietZone : 0; }
    void paint(QPainter* painter) override;

Q_SIGNALS:
    void textChanged();

private:
    QString m_text;
    int m_width = 0; // modules per side of the symbol itself
    std::vector<bool> m_dark; // row by row
};
