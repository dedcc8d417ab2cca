#include "ViewHarness.h"

#include "ui/ViewSingletons.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

ViewHarness::ViewHarness()
    : m_service(std::make_unique<MacRemoteService>(fakes.platform()))
{
    provideViewSingletons(*m_service);
}

ViewHarness::~ViewHarness() = default;

void ViewHarness::setTrusted(bool trusted)
{
    fakes.keys.trusted = trusted;
    auto* poll = m_service->findChild<QTimer*>();
    if (!poll->isActive())
        m_service->startAccessibilityMonitoring();
    QMetaObject::invokeMethod(poll, "timeout");
}

void ViewHarness::setAccessRequest(const QString& kind)
{
    static const QHash<QString, AccessRequest> kinds {
        { QStringLiteral("none"), AccessRequest::none },
        { QStringLiteral("adminPassword"), AccessRequest::adminPassword },
        { QStringLiteral("consent"), AccessRequest::consent },
        { QStringLiteral("consentEachStart"), AccessRequest::consentEachStart },
    };
    fakes.keys.request = kinds.value(kind);
    Q_EMIT fakes.keys.accessChanged();
}

QString ViewHarness::clipboardText() const { return QGuiApplication::clipboard()->text(); }

void ViewHarness::reportPeerState(int state, int connectedPeers)
{
    // A connected phone reads what it is offered at once.
    fakes.peerLink.confirmsAtOnce = connectedPeers > 0;
    Q_EMIT fakes.peerLink.peerStateChanged(PeerState(state), connectedPeers);
}

void ViewHarness::executeCommand(const QString& rawValue)
{
    m_service->executeCommand(remoteCommandFromRawValue(rawValue).value());
}

void ViewHarness::reportHttpState(const QString& state)
{
    static const QHash<QString, HttpListenerState> states {
        { QStringLiteral("ready"), HttpListenerState::ready },
        { QStringLiteral("failed"), HttpListenerState::failed },
        { QStringLiteral("starting"), HttpListenerState::starting },
    };
    Q_EMIT fakes.httpListeners.current()->stateChanged(states.value(state));
}

int ViewHarness::lastRequestedPort() const
{
    return fakes.httpListeners.requestedPorts.empty() ? -1 : fakes.httpListeners.requestedPorts.back();
}

int ViewHarness::requestedPortCount() const { return int(fakes.httpListeners.requestedPorts.size()); }

void ViewHarness::setInterfaceAddress(const QString& address)
{
    fakes.interfaces.list = std::vector<NetworkInterfaceEntry> {};
    if (!address.isEmpty())
        fakes.interfaces.addIPv4("en0", address.toLatin1().constData());
}

void ViewHarness::postTextOverHttp(const QString& title, const QString& text)
{
    fakes.httpListeners.current()->receive({ { PhoneRequest::Kind::sendText, {}, { title, text } } });
}

int ViewHarness::peerSendCount() const { return int(fakes.peerLink.offered.size()); }

void ViewHarness::setPagePolling(bool polling)
{
    if (polling)
        fakes.httpListeners.current()->receive({ { PhoneRequest::Kind::keyTarget, {}, {} } });
    else
        QMetaObject::invokeMethod(m_service->findChild<QTimer*>(QStringLiteral("pagePollingExpiry")), "timeout");
}
