#pragma once

#include "RemoteCommand.h"
#include "RemoteMessage.h"
#include "platform/FocusedWindow.h"
#include "platform/HttpListener.h"
#include "platform/PeerLink.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class AccessibilityPermission;
class IntegerSettings;
class KeyInjector;
class NetworkInterfaces;
class RepeatingTimer;
class TimerFactory;

// The one object that owns all live state: connection, commands, permission, HTTP listener, pending text.
// Lives on the main thread; views read its properties and call its invokable operations.
class MacRemoteService : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(bool isConnected READ isConnected NOTIFY isConnectedChanged)
    Q_PROPERTY(QString localIPAddress READ localIPAddress NOTIFY localIPAddressChanged)
    Q_PROPERTY(QString httpStatusMessage READ httpStatusMessage NOTIFY httpStatusMessageChanged)
    Q_PROPERTY(QString lastCommandMessage READ lastCommandMessage NOTIFY lastCommandMessageChanged)
    Q_PROPERTY(qint64 commandCount READ commandCount NOTIFY commandCountChanged)
    // Raw value of the last command, empty before the first one.
    Q_PROPERTY(QString lastCommand READ lastCommandRawValue NOTIFY lastCommandChanged)
    // Empty until the first text hand-off.
    Q_PROPERTY(QString textSendStatus READ textSendStatusText NOTIFY textSendStatusChanged)
    Q_PROPERTY(bool hasAccessibility READ hasAccessibility NOTIFY hasAccessibilityChanged)
    // The views decide their colours from these states, never from the words of a status text.
    Q_PROPERTY(bool isHttpListenerReady READ isHttpListenerReady NOTIFY isHttpListenerReadyChanged)
    Q_PROPERTY(bool isTextSendSuccessful READ isTextSendSuccessful NOTIFY isTextSendSuccessfulChanged)
    // Whether "Autoriser" can help at all on this desktop.
    Q_PROPERTY(bool canRequestAccessibility READ canRequestAccessibility CONSTANT)
    // Where the keys go: the state's raw value, and the program's readable name.
    Q_PROPERTY(QString keyTargetState READ keyTargetState NOTIFY keyTargetChanged)
    Q_PROPERTY(QString keyTargetProgram READ keyTargetProgram NOTIFY keyTargetChanged)

public:
    struct TextPayload {
        QString title;
        QString text;
        static Decoded<TextPayload> decode(const QByteArray& json);
    };

    struct PendingText {
        QString title;
        QString text;
        bool operator==(const PendingText&) const = default;
    };

    // The OS services and transports the service drives; all must outlive it.
    struct Platform {
        KeyInjector& keys;
        AccessibilityPermission& permission;
        TimerFactory& timers;
        IntegerSettings& settings;
        NetworkInterfaces& interfaces;
        PeerLink& peerLink;
        HttpListenerFactory& httpListeners;
        FocusedWindow& focusedWindow;
    };

    static inline const QString peerDisplayName = QStringLiteral("Quorvelantis Mac");
    static inline const QString peerServiceType = QStringLiteral("quorvelantis");
    static constexpr quint16 defaultPort = 4777;

    explicit MacRemoteService(Platform platform, QObject* parent = nullptr);
    ~MacRemoteService() override;

    QString statusMessage() const { return m_statusMessage; }
    bool isConnected() const { return m_isConnected; }
    QString localIPAddress() const { return m_localIPAddress; }
    QString httpStatusMessage() const { return m_httpStatusMessage; }
    QString lastCommandMessage() const { return m_lastCommandMessage; }
    qint64 commandCount() const { return m_commandCount; }
    std::optional<RemoteCommand> lastCommand() const { return m_lastCommand; }
    std::optional<QString> textSendStatus() const { return m_textSendStatus; }
    bool hasAccessibility() const { return m_hasAccessibility; }
    std::optional<PendingText> pendingText() const { return m_pendingText; }
    bool isHttpListenerReady() const { return m_isHttpListenerReady; }
    bool isTextSendSuccessful() const { return m_isTextSendSuccessful; }
    bool canRequestAccessibility() const;
    QString keyTargetState() const;
    QString keyTargetProgram() const;

    // Slide commands and permission.
    void executeCommand(RemoteCommand command);
    Q_INVOKABLE void startAccessibilityMonitoring();
    void refreshAccessibilityStatus();
    Q_INVOKABLE void requestAccessibilityPermission();

    // HTTP fallback server.
    void startHTTPListener();
    Q_INVOKABLE void applyPort(quint16 port);
    // The integer stored under portStorageKey, 0 when absent.
    Q_INVOKABLE qint64 storedPort() const;

    // Text hand-off.
    Q_INVOKABLE void sendText(const QString& title, const QString& text);
    std::optional<QByteArray> takePendingTextBody();
    // The body of a posted text; empty when the request's head never ended.
    HttpOutcome handleSendTextRequest(const std::optional<QByteArray>& body);
    static QString escapeJSONText(const QString& text);

    // Local address.
    std::optional<QString> findLocalIPAddress();
    // Looks the address up again and shows it, or "Aucune IP réseau".
    Q_INVOKABLE void refreshLocalIPAddress();

Q_SIGNALS:
    void statusMessageChanged();
    void isConnectedChanged();
    void localIPAddressChanged();
    void httpStatusMessageChanged();
    void lastCommandMessageChanged();
    void commandCountChanged();
    void lastCommandChanged();
    void textSendStatusChanged();
    void hasAccessibilityChanged();
    void isHttpListenerReadyChanged();
    void isTextSendSuccessfulChanged();
    void keyTargetChanged();

private:
    // Peer link events.
    void connectPeerLink();
    void handlePeerState(PeerState state, int connectedPeers);
    void handlePeerData(const QByteArray& data);
    void handleAdvertisingSucceeded();
    QString connectedSetText() const;

    std::vector<HttpOutcome> answerHttpRoutes(const std::vector<RouteRequest>& requests);
    HttpOutcome answerHttpRoute(const RouteRequest& request);
    std::unique_ptr<HttpListener> listenHttp(quint16 port);
    void showHttpListenerState(HttpListenerState state, quint16 port);
    void showCandidateState(HttpListenerState state);
    void retireHttpListener(std::unique_ptr<HttpListener> listener);

    // False when the text is empty and nothing was taken.
    bool handOffText(const QString& title, const QString& text);
    void deliverPendingTextToPeers();
    void handleTextDelivered(quint64 delivery);
    void handleTextUndelivered(quint64 delivery);

    QString lastCommandRawValue() const { return m_lastCommand ? rawValue(*m_lastCommand) : QString(); }
    QString textSendStatusText() const { return m_textSendStatus.value_or(QString()); }

    void setStatusMessage(const QString& value);
    void setIsConnected(bool value);
    void setLocalIPAddress(const QString& value);
    void setHttpStatusMessage(const QString& value);
    void setLastCommandMessage(const QString& value);
    void setCommandCount(qint64 value);
    void setLastCommand(std::optional<RemoteCommand> value);
    void setTextSendStatus(std::optional<QString> value);
    void setHasAccessibility(bool value);
    void setIsHttpListenerReady(bool value);
    void setIsTextSendSuccessful(bool value);

    // Reads the focused window again; returns what it found.
    KeyTarget refreshKeyTarget();

    using Notification = void (MacRemoteService::*)();
    // Emits the property's change signal now, or once at the end of the burst being answered.
    void notify(Notification notification);

    Platform m_platform;
    const QString m_portStorageKey;
    QString m_statusMessage;
    bool m_isConnected;
    QString m_localIPAddress;
    QString m_httpStatusMessage;
    QString m_lastCommandMessage;
    qint64 m_commandCount;
    std::optional<RemoteCommand> m_lastCommand;
    std::optional<QString> m_textSendStatus;
    std::unique_ptr<HttpListener> m_httpListener;
    quint16 m_httpListenerPort = defaultPort;
    bool m_isHttpListenerReady = false;
    // A listener opening the port just applied, while the ready one keeps serving.
    std::unique_ptr<HttpListener> m_candidateHttpListener;
    quint16 m_candidateHttpListenerPort = 0;
    // Replaced listeners still answering what they had received.
    std::vector<std::unique_ptr<HttpListener>> m_retiredHttpListeners;
    bool m_hasAccessibility;
    std::unique_ptr<RepeatingTimer> m_accessibilityTimer;
    std::optional<PendingText> m_pendingText;
    // As the peer link's last event counted them.
    int m_connectedPeers = 0;
    // The send of the pending text to the peers, until they report on it.
    std::optional<quint64> m_textInFlight;
    quint64 m_lastDelivery = 0;
    bool m_isTextSendSuccessful = false;
    KeyTarget m_keyTarget;
    // Commands without the right open the system's dialog once per run; after that only "Autoriser" does.
    bool m_hasPromptedForCommand = false;
    // Set while a burst of HTTP requests is answered: each property's view then updates once, not per request.
    std::optional<std::vector<Notification>> m_heldNotifications;
};
