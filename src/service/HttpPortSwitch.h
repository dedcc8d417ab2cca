#pragma once

#include "platform/HttpListener.h"

#include <QObject>
#include <memory>
#include <vector>

class Settings;

// The HTTP listeners of the service: the serving one, a candidate opening a newly applied port while the ready one
// goes on serving, and replaced ones still answering what they had received. It reports states; the service words
// them.
class HttpPortSwitch : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 defaultPort = 4777;

    // The handler answers the requests of every listener.
    HttpPortSwitch(
        HttpListenerFactory& listeners, PhoneRequestHandler& handler, Settings& settings, QObject* parent = nullptr);
    ~HttpPortSwitch() override;

    quint16 servingPort() const { return m_servingPort; }
    // A newly applied port is being opened while the serving one goes on serving.
    bool isApplying() const { return m_candidate != nullptr; }
    // Listens on the stored port, or on the default one when none is stored.
    void start();
    void applyPort(quint16 port);
    // Every listener, and those started later, checks requests against these.
    void setPhoneKeys(const PhoneKeys& keys);

Q_SIGNALS:
    // The serving listener's state, or the candidate's (isCandidate): the serving one then goes on serving.
    void stateChanged(HttpListenerState state, quint16 port, bool isCandidate);
    void readyChanged(bool isReady);
    // The serving listener on port gave way to a port applied before it was ready.
    void stopped(quint16 port);
    void storedPortInvalid(qint64 port);
    void servingPortChanged();
    void isApplyingChanged();
    void refused(const QString& address, int count);

private:
    // The integer stored under "macRemotePort", 0 when absent.
    qint64 storedPort() const;
    std::unique_ptr<HttpListener> listen(quint16 port);
    void showState(HttpListener* listener, HttpListenerState state);
    void showCandidateState(HttpListenerState state);
    void setReady(bool isReady);
    void setServingPort(quint16 port);
    void setCandidate(std::unique_ptr<HttpListener> candidate);
    void retire(std::unique_ptr<HttpListener> listener);

    HttpListenerFactory& m_listeners;
    PhoneRequestHandler& m_handler;
    Settings& m_settings;
    const QString m_storageKey = QStringLiteral("macRemotePort");
    std::unique_ptr<HttpListener> m_serving;
    quint16 m_servingPort = defaultPort;
    bool m_isReady = false;
    std::unique_ptr<HttpListener> m_candidate;
    quint16 m_candidatePort = 0;
    std::vector<std::unique_ptr<HttpListener>> m_retired;
    PhoneKeys m_keys;
};
