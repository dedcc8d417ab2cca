#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// `Clipboard` in QML: puts plain text on the desktop's clipboard, through the running QGuiApplication.
class Clipboard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // Replaces whatever the clipboard held.
    Q_INVOKABLE void setText(const QString& text);
};
