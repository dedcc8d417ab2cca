#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// A small picture of the screen that holds the presentation, so that a phone shows what the audience sees. Lives on
// the main thread; taking and encoding never block it.
class ScreenPicture : public QObject {
    Q_OBJECT

public:
    // Small enough for a phone's screen and a busy Wi-Fi.
    static constexpr int maxWidth = 480;
    static constexpr qsizetype maxBytes = 60 * 1024;

    using QObject::QObject;

    // Takes a picture of the screen as it is now, answered by taken or failed. Asked again while one is being taken,
    // one more follows it, so the last answer shows the screen as it was at the last call or later.
    virtual void take() = 0;

Q_SIGNALS:
    // A JPEG at most maxWidth pixels wide and maxBytes long.
    void taken(const QByteArray& jpeg);
    void failed(const QString& reason);
};
