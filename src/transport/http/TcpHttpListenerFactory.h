#pragma once

#include "platform/HttpListener.h"

#include <chrono>

class QThread;

// Creates HTTP servers that do their socket work on the given network thread (started by its owner, and running
// until every listener is gone) and run the callbacks on the main thread.
class TcpHttpListenerFactory final : public HttpListenerFactory {
public:
    // A connection whose request is not complete by the deadline is routed with what it sent.
    explicit TcpHttpListenerFactory(
        QThread& networkThread, std::chrono::milliseconds requestDeadline = defaultDeadline);

    // Never empty: a port that cannot be had is reported as the failed state.
    std::unique_ptr<HttpListener> listen(quint16 port, Callbacks callbacks) override;

    static constexpr std::chrono::milliseconds defaultDeadline = std::chrono::seconds(10);

private:
    QThread& m_networkThread;
    const std::chrono::milliseconds m_requestDeadline;
};
