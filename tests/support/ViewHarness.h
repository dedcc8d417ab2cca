#pragma once

// The real service on fake platform seams, handed to the views, with the knobs view tests turn.

#include "FakePlatform.h"

#include <QObject>
#include <QString>

class ViewHarness : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString clipboardText READ clipboardText)

public:
    // Builds the service and provides it to every engine created afterwards.
    ViewHarness();
    ~ViewHarness() override;

    FakePlatform fakes;
    MacRemoteService* service() const { return m_service.get(); }

    // The offscreen and X11 platforms both keep what this process put on the clipboard.
    QString clipboardText() const;

    // The permission as the next poll tick finds it.
    Q_INVOKABLE void setTrusted(bool trusted);
    Q_INVOKABLE int promptCount() const { return fakes.keys.accessRequests; }
    // "none", "adminPassword", "consent" or "consentEachStart", as the keys report it.
    Q_INVOKABLE void setAccessRequest(const QString& kind);
    // A peer-link state report (0 not connected, 1 connecting, 2 connected) with that many phones connected.
    Q_INVOKABLE void reportPeerState(int state, int connectedPeers);
    Q_INVOKABLE void executeCommand(const QString& rawValue);
    // "ready", "failed" or "starting", from the current HTTP listener.
    Q_INVOKABLE void reportHttpState(const QString& state);
    Q_INVOKABLE int lastRequestedPort() const;
    Q_INVOKABLE int requestedPortCount() const;
    // The only IPv4 interface, or none at all for an empty address.
    Q_INVOKABLE void setInterfaceAddress(const QString& address);
    // A text posted over HTTP, as the send-text route receives it.
    Q_INVOKABLE void postTextOverHttp(const QString& title, const QString& text);
    Q_INVOKABLE int peerSendCount() const;
    // A browser page asking for the key target over HTTP, or its polling over for want of requests.
    Q_INVOKABLE void setPagePolling(bool polling);

private:
    std::unique_ptr<MacRemoteService> m_service;
};
