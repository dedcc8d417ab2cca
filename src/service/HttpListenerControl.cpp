#include "MacRemoteService.h"

#include "platform/Settings.h"

qint64 MacRemoteService::storedPort() const { return m_platform.settings.integer(m_portStorageKey); }

void MacRemoteService::startHTTPListener()
{
    const qint64 stored = storedPort();
    const qint64 port = stored < 1 ? defaultPort : stored;
    if (port > 65535) {
        setHttpStatusMessage(QStringLiteral("Port %1 invalide").arg(port));
        return;
    }
    setIsHttpListenerReady(false);
    setHttpListenerPort(quint16(port));
    m_httpListener = listenHttp(m_httpListenerPort);
}

std::unique_ptr<HttpListener> MacRemoteService::listenHttp(quint16 port)
{
    return m_platform.httpListeners.listen(port,
        {
            [this, port](HttpListenerState state) { showHttpListenerState(state, port); },
            [this](const std::vector<RouteRequest>& requests) { return answerHttpRoutes(requests); },
        });
}

void MacRemoteService::showHttpListenerState(HttpListenerState state, quint16 port)
{
    // The serving listener and a candidate never share a port; a replaced listener reports nothing more.
    if (m_candidateHttpListener && port == m_candidateHttpListenerPort)
        return showCandidateState(state);
    if (port != m_httpListenerPort)
        return;
    setIsHttpListenerReady(state == HttpListenerState::ready);
    switch (state) {
    case HttpListenerState::starting:
        setHttpStatusMessage(tr("Port %1 en démarrage").arg(port));
        break;
    case HttpListenerState::ready:
        setHttpStatusMessage(tr("IP active sur le port %1").arg(port));
        break;
    case HttpListenerState::failed:
    case HttpListenerState::notPermitted:
        setHttpStatusMessage(tr("Port %1 indisponible").arg(port));
        break;
    }
}

void MacRemoteService::applyPort(quint16 port)
{
    const bool wasApplying = isApplyingPort();
    retireHttpListener(std::move(m_candidateHttpListener));
    // A serving listener goes on serving until the new port is open, so a port that cannot be had locks no phone out.
    if (m_isHttpListenerReady && port != m_httpListenerPort) {
        m_candidateHttpListenerPort = port;
        m_candidateHttpListener = listenHttp(port);
    } else {
        m_platform.settings.setInteger(m_portStorageKey, port);
        if (m_httpListener) {
            retireHttpListener(std::move(m_httpListener));
            setHttpStatusMessage(tr("Port %1 arrêté").arg(m_httpListenerPort));
        }
        startHTTPListener();
    }
    if (isApplyingPort() != wasApplying)
        notify(&MacRemoteService::isApplyingPortChanged);
}

void MacRemoteService::showCandidateState(HttpListenerState state)
{
    const quint16 port = m_candidateHttpListenerPort;
    const QString stillServing = tr("IP active sur le port %1").arg(m_httpListenerPort);
    switch (state) {
    case HttpListenerState::starting:
        setHttpStatusMessage(tr("Port %1 en démarrage").arg(port));
        break;
    case HttpListenerState::ready:
        m_platform.settings.setInteger(m_portStorageKey, port);
        setHttpListenerPort(port);
        retireHttpListener(std::exchange(m_httpListener, takeCandidateHttpListener()));
        setHttpStatusMessage(tr("IP active sur le port %1").arg(port));
        break;
    case HttpListenerState::failed:
        retireHttpListener(takeCandidateHttpListener());
        setHttpStatusMessage(tr("Port %1 indisponible — %2").arg(port).arg(stillServing));
        break;
    case HttpListenerState::notPermitted:
        retireHttpListener(takeCandidateHttpListener());
        setHttpStatusMessage(tr("Port %1 réservé à l'administrateur — %2").arg(port).arg(stillServing));
        break;
    }
}

void MacRemoteService::retireHttpListener(std::unique_ptr<HttpListener> listener)
{
    std::erase_if(m_retiredHttpListeners, [](const auto& retired) { return retired->isFinished(); });
    if (!listener)
        return;
    // It answers what it already holds, then finishes; until then it stays here.
    listener->cancel();
    m_retiredHttpListeners.push_back(std::move(listener));
}

std::unique_ptr<HttpListener> MacRemoteService::takeCandidateHttpListener()
{
    std::unique_ptr<HttpListener> candidate = std::move(m_candidateHttpListener);
    if (candidate)
        notify(&MacRemoteService::isApplyingPortChanged);
    return candidate;
}
