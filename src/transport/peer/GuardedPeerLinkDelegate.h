#pragma once

#include "platform/PeerLink.h"

#include <QMutex>

// The link's delegate: set on the main thread, called on the network thread.
// Each call holds the lock, so that replacing the delegate waits for a call in progress to end.
class GuardedPeerLinkDelegate {
public:
    void set(PeerLinkDelegate* delegate)
    {
        QMutexLocker lock(&m_mutex);
        m_delegate = delegate;
    }

    // Without a delegate nobody accepts: the invitation is refused.
    bool shouldAcceptInvitation()
    {
        QMutexLocker lock(&m_mutex);
        return m_delegate && m_delegate->shouldAcceptInvitation();
    }

    void peerDidChangeState(int state)
    {
        QMutexLocker lock(&m_mutex);
        if (m_delegate)
            m_delegate->peerDidChangeState(state);
    }

    void peerDidReceiveData(const QByteArray& data)
    {
        QMutexLocker lock(&m_mutex);
        if (m_delegate)
            m_delegate->peerDidReceiveData(data);
    }

    void advertisingDidFail()
    {
        QMutexLocker lock(&m_mutex);
        if (m_delegate)
            m_delegate->advertisingDidFail();
    }

private:
    QMutex m_mutex;
    PeerLinkDelegate* m_delegate = nullptr;
};
