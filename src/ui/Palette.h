#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The fixed colours of every view, plus the two system colours the status looks use. Named `Colors` in QML, where
// Qt Quick already has a `Palette`.
class Palette : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Colors)
    QML_SINGLETON
    Q_PROPERTY(QColor paper READ paper CONSTANT)
    Q_PROPERTY(QColor surface READ surface CONSTANT)
    Q_PROPERTY(QColor ink READ ink CONSTANT)
    Q_PROPERTY(QColor muted READ muted CONSTANT)
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor line READ line CONSTANT)
    Q_PROPERTY(QColor systemGreen READ systemGreen CONSTANT)
    Q_PROPERTY(QColor systemOrange READ systemOrange CONSTANT)

public:
    using QObject::QObject;

    static QColor paper();
    static QColor surface();
    static QColor ink();
    static QColor muted();
    static QColor accent();
    static QColor line();
    static QColor systemGreen();
    static QColor systemOrange();
    // The form every colour of the views is written in: six hexadecimal digits, red first, fully opaque. Anything
    // that is not hexadecimal gives black.
    static QColor colorFromHex(QStringView sixDigits);

    // The colour with its opacity multiplied by `opacity` (0 to 1).
    Q_INVOKABLE QColor withOpacity(const QColor& colour, qreal opacity) const;
};
