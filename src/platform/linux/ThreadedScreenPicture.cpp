#include "ThreadedScreenPicture.h"

#include "ScreenPictureEncoding.h"

ThreadedScreenPicture::ThreadedScreenPicture(std::function<std::unique_ptr<ScreenGrab>()> makeGrab)
    : m_makeGrab(std::move(makeGrab))
{
}

ThreadedScreenPicture::~ThreadedScreenPicture()
{
    if (!m_thread)
        return;
    // A grab under way ends within the display server's answer; the grab is deleted on the thread it lives on.
    m_thread->quit();
    m_thread->wait();
}

void ThreadedScreenPicture::take()
{
    if (m_isTaking) {
        m_isWantedAgain = true;
        return;
    }
    if (!m_thread)
        start();
    m_isTaking = true;
    QMetaObject::invokeMethod(m_grab, &ScreenGrab::grab, Qt::QueuedConnection);
}

void ThreadedScreenPicture::start()
{
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("Screen picture"));
    m_grab = m_makeGrab().release();
    m_grab->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::finished, m_grab, &QObject::deleteLater);
    // Encoded where it was read; only the small JPEG comes back to this thread.
    connect(m_grab, &ScreenGrab::grabbed, m_grab, [this](const QImage& screen) {
        const QByteArray jpeg = encodeScreenPicture(screen);
        QMetaObject::invokeMethod(
            this,
            [this, jpeg] {
                answered();
                if (jpeg.isEmpty())
                    Q_EMIT failed(QStringLiteral("the screen does not fit in a small enough JPEG"));
                else
                    Q_EMIT taken(jpeg);
            },
            Qt::QueuedConnection);
    });
    connect(m_grab, &ScreenGrab::failed, this, [this](const QString& reason) {
        answered();
        Q_EMIT failed(reason);
    });
    m_thread->start();
}

void ThreadedScreenPicture::answered()
{
    m_isTaking = false;
    if (std::exchange(m_isWantedAgain, false))
        take();
}
