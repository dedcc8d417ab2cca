#include "MacRemoteService.h"

#include "platform/IntegerSettings.h"

qint64 MacRemoteService::storedPort() const { return m_platform.settings.integer(m_portStorageKey); }

void MacRemoteService::startHTTPListener()
{
    const qint64 stored = storedPort();
    const qint64 port = stored < 1 ? defaultPort : stored;
    // A new generation makes any late report of a replaced listener harmless.
    const quint64 generation = ++m_httpListenerGeneration;
    if (port > 65535) {
        setHttpStatusMessage(QStringLiteral("Port %1 invalide").arg(port));
        return;
    }
    HttpListenerFactory::Callbacks callbacks {
        [this, generation, port](HttpListenerState state) {
            if (generation == m_httpListenerGeneration)
                showHttpListenerState(state, port);
        },
        [this](const std::vector<RouteRequest>& requests) { return answerHttpRoutes(requests); },
    };
    std::unique_ptr<HttpListener> listener = m_platform.httpListeners.listen(quint16(port), std::move(callbacks));
    if (!listener) {
        setHttpStatusMessage(tr("Port %1 indisponible").arg(port));
        return;
    }
    m_httpListener = std::move(listener);
}

void MacRemoteService::showHttpListenerState(HttpListenerState state, qint64 port)
{
    switch (state) {
    case HttpListenerState::starting:
        setHttpStatusMessage(tr("Port %1 en démarrage").arg(port));
        break;
    case HttpListenerState::ready:
        setHttpStatusMessage(tr("IP active sur le port %1").arg(port));
        break;
    case HttpListenerState::failed:
        setHttpStatusMessage(tr("Port %1 indisponible").arg(port));
        break;
    case HttpListenerState::cancelled:
        setHttpStatusMessage(tr("Port %1 arrêté").arg(port));
        break;
    }
}

void MacRemoteService::applyPort(quint16 port)
{
    m_platform.settings.setInteger(m_portStorageKey, port);
    if (m_httpListener)
        m_httpListener->cancel();
    m_httpListener.reset();
    startHTTPListener();
}
