#pragma once

#include <QImage>
#include <QObject>
#include <QString>

// One way of reading the screen's pixels, living on the picture thread, where it may wait on the display server.
class ScreenGrab : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Answers with grabbed or failed, before it returns or later from the picture thread's event loop.
    virtual void grab() = 0;

Q_SIGNALS:
    void grabbed(const QImage& screen);
    void failed(const QString& reason);
};
