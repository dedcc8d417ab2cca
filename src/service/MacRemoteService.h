#pragma once

#include "HttpPortSwitch.h"
#include "InvitedPhones.h"
#include "TextHandOff.h"
#include "platform/FocusedWindow.h"
#include "platform/HttpListener.h"
#include "platform/PeerLink.h"
#include "platform/PhoneRequest.h"
#include "platform/PointerOverlay.h"
#include "platform/RemoteInput.h"
#include "platform/ScreenPicture.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <chrono>
#include <optional>
#include <vector>

class Settings;
class NetworkInterfaces;

// The one object that owns all live state: connection, commands, permission, HTTP listener, pending text.
// Lives on the main thread; views read its properties and call its invokable operations, and both transports hand
// it what phones ask.
class MacRemoteService : public QObject, public PhoneRequestHandler {
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
    // False while localIPAddress holds "Recherche..." or "Aucune IP réseau" instead of an address.
    Q_PROPERTY(bool hasLocalIPAddress READ hasLocalIPAddress NOTIFY localIPAddressChanged)
    // The port the HTTP listener serves, or opens while none serves.
    Q_PROPERTY(int httpPort READ httpPort NOTIFY httpPortChanged)
    // True while a newly applied port is being opened and the current one goes on serving.
    Q_PROPERTY(bool isApplyingPort READ isApplyingPort NOTIFY isApplyingPortChanged)
    // The send tab's fields as last typed; kept across restarts until sent or cleared.
    Q_PROPERTY(QString draftTitle READ draftTitle NOTIFY draftChanged)
    Q_PROPERTY(QString draftText READ draftText NOTIFY draftChanged)
    // Whether "Autoriser" can help at all on this desktop.
    Q_PROPERTY(bool canRequestAccessibility READ canRequestAccessibility NOTIFY accessRequestChanged)
    // What asking for access shows the user: "none", "adminPassword", "consent" (remembered) or "consentEachStart".
    Q_PROPERTY(QString accessRequestKind READ accessRequestKind NOTIFY accessRequestChanged)
    // Where the keys go: the state's raw value, and the program's readable name.
    Q_PROPERTY(QString keyTargetState READ keyTargetState NOTIFY keyTargetChanged)
    Q_PROPERTY(QString keyTargetProgram READ keyTargetProgram NOTIFY keyTargetChanged)
    // Only invited phones may connect: each joins by scanning the code, which then carries the invitation.
    Q_PROPERTY(bool isInvitedOnly READ isInvitedOnly NOTIFY isInvitedOnlyChanged)
    // The invitation the code carries now; empty while any phone may connect.
    Q_PROPERTY(QString invitation READ invitation NOTIFY invitationChanged)
    // One map per phone let in: keyHash (its name for the operations below), address, kind, since, isConnected.
    Q_PROPERTY(QVariantList invitedPhones READ invitedPhones NOTIFY invitedPhonesChanged)
    // The address whose request was refused last for want of a key, and how many of its requests were.
    Q_PROPERTY(QString refusedAddress READ refusedAddress NOTIFY refusedRequestsChanged)
    Q_PROPERTY(int refusedCount READ refusedCount NOTIFY refusedRequestsChanged)
    // True while a phone's browser page asks for texts or the key target over HTTP, which it does every few seconds
    // while it is open and seen.
    Q_PROPERTY(bool isPagePolling READ isPagePolling NOTIFY isPagePollingChanged)
    // True once the last text held for the phone has reached one.
    Q_PROPERTY(bool isTextDelivered READ isTextDelivered NOTIFY isTextDeliveredChanged)

public:
    // The OS services and transports the service drives; all must outlive it.
    struct Platform {
        RemoteInput& keys;
        Settings& settings;
        NetworkInterfaces& interfaces;
        PeerLink& peerLink;
        HttpListenerFactory& httpListeners;
        FocusedWindow& focusedWindow;
        PointerOverlay& pointerOverlay;
        ScreenPicture& screenPicture;
    };

    static inline const QString peerDisplayName = QStringLiteral("Quorvelantis Mac");
    static inline const QString peerServiceType = QStringLiteral("quorvelantis");
    static inline const QString draftTitleKey = QStringLiteral("draftTitle");
    static inline const QString draftTextKey = QStringLiteral("draftText");

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
    std::optional<TextPayload> pendingText() const { return m_textHandOff.pending(); }
    bool isHttpListenerReady() const { return m_isHttpListenerReady; }
    bool isTextSendSuccessful() const { return m_isTextSendSuccessful; }
    bool canRequestAccessibility() const { return m_accessRequest != AccessRequest::none; }
    QString accessRequestKind() const;
    QString keyTargetState() const;
    QString keyTargetProgram() const;
    bool hasLocalIPAddress() const { return m_hasLocalIPAddress; }
    int httpPort() const { return m_httpPorts.servingPort(); }
    bool isApplyingPort() const { return m_httpPorts.isApplying(); }
    QString draftTitle() const { return m_draft.title; }
    QString draftText() const { return m_draft.text; }
    bool isInvitedOnly() const { return m_invitedPhones.isRequired(); }
    QString invitation() const { return m_invitedPhones.invitation(); }
    QVariantList invitedPhones() const;
    QString refusedAddress() const { return m_invitedPhones.refusedAddress(); }
    int refusedCount() const { return m_invitedPhones.refusedCount(); }
    bool isPagePolling() const { return m_isPagePolling; }
    bool isTextDelivered() const { return m_isTextDelivered; }

    // How long after a key press the screen's picture is taken: the slideshow has drawn the new slide by then.
    static constexpr std::chrono::milliseconds pictureDelay { 150 };

    // Slide commands and permission.
    // How long a command that arrives while access is being asked waits for it.
    static constexpr std::chrono::seconds keptCommandLifetime { 60 };
    // True when the key was pressed now. A command whose phone waits for the answer carries the time after which it
    // has given up: it is pressed only before, and never kept for access.
    bool executeCommand(RemoteCommand command, QDeadlineTimer pressBefore = QDeadlineTimer(QDeadlineTimer::Forever));
    Q_INVOKABLE void startAccessibilityMonitoring();
    // While no window shows the permission, nothing polls it; a command still checks it itself.
    Q_INVOKABLE void stopAccessibilityMonitoring();
    void refreshAccessibilityStatus();
    Q_INVOKABLE void requestAccessibilityPermission();

    // HTTP fallback server.
    // How long after its last request a page still counts as polling.
    static constexpr std::chrono::seconds pagePollingLifetime { 5 };
    void startHTTPListener();
    // Called for each of the page's polling requests.
    void notePagePolling();
    Q_INVOKABLE void applyPort(quint16 port);
    std::vector<PhoneAnswer> answer(const std::vector<PhoneRequest>& requests) override;

    // Text hand-off.
    Q_INVOKABLE void sendText(const QString& title, const QString& text);
    Q_INVOKABLE void keepDraft(const QString& title, const QString& text);

    // Invited phones.
    Q_INVOKABLE void setInvitedOnly(bool isInvitedOnly);
    // Ends the phone's sessions and revokes its key: it must scan a new code to come back.
    Q_INVOKABLE void disconnectPhone(const QString& keyHash);
    Q_INVOKABLE void forgetAllPhones();

    // Local address.
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
    void httpPortChanged();
    void isApplyingPortChanged();
    void draftChanged();
    void keyTargetChanged();
    void accessRequestChanged();
    void isInvitedOnlyChanged();
    void invitationChanged();
    void invitedPhonesChanged();
    void refusedRequestsChanged();
    void isPagePollingChanged();
    void isTextDeliveredChanged();

private:
    // Presses the command's key and shows it; false when no key could be posted.
    bool postCommand(RemoteCommand command);
    // Kept while access is being asked, and pressed once it is granted.
    void keepCommand(RemoteCommand command);
    void pressKeptCommands();
    void dropKeptCommands();
    // Asks for access unless it is held or was asked by itself already.
    void askForAccessOnce();
    void handleAccessChange();
    QString accessAdvice() const;

    // Peer link events.
    void connectPeerLink();
    void handlePeerState(PeerState state, int connectedPeers);
    void handleAdvertisingSucceeded();
    QString connectedSetText() const;
    void connectScreenPicture();

    void connectHttpPorts();
    void connectInvitedPhones();
    // Hands the keys to both transports.
    void publishPhoneKeys();
    PhoneAnswer answerOne(const PhoneRequest& request);
    // The pending text rides on the answer, and counts as sent to the phone.
    PhoneAnswer takePendingText(PhoneAnswer::Kind otherwise);
    void showHttpState(HttpListenerState state, quint16 port, bool isCandidate);

    // False when the text is empty and nothing was taken.
    bool handOffText(const QString& title, const QString& text);

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
    void setIsTextDelivered(bool value);
    void setIsPagePolling(bool value);
    // Reads the focused window again; returns what it found.
    KeyTarget refreshKeyTarget();
    // Writes the draft to the settings, or removes it there when empty.
    void storeDraft(const TextPayload& draft);

    using Notification = void (MacRemoteService::*)();
    // Emits the property's change signal now, or once at the end of the burst being answered.
    void notify(Notification notification);

    Platform m_platform;
    QString m_statusMessage;
    bool m_isConnected;
    QString m_localIPAddress;
    bool m_hasLocalIPAddress = false;
    QString m_httpStatusMessage;
    QString m_lastCommandMessage;
    qint64 m_commandCount;
    std::optional<RemoteCommand> m_lastCommand;
    std::optional<QString> m_textSendStatus;
    bool m_isHttpListenerReady = false;
    bool m_hasAccessibility;
    // Set while statusMessage shows that advertising failed, so its success replaces only that text.
    bool m_isAdvertisingFailureShown = false;
    TextPayload m_draft;
    QTimer m_accessibilityPoll { this };
    // As the peer link's last event counted them.
    int m_connectedPeers = 0;
    bool m_isTextSendSuccessful = false;
    KeyTarget m_keyTarget;
    // Access is asked by itself once per run, when the first phone shows up or else at the first command without it;
    // after that only "Autoriser" asks, so a talk is not interrupted by dialogs.
    bool m_hasAskedForAccess = false;
    AccessRequest m_accessRequest;
    std::vector<RemoteCommand> m_keptCommands;
    // Started by the first kept command: access that takes longer is not coming while the presenter waits.
    QTimer m_keptCommandsExpiry { this };
    bool m_isPagePolling = false;
    // Restarted by each polling request; a page closed or hidden stops asking.
    QTimer m_pagePollingExpiry { this };
    // The dot stays a moment after the finger lifts, so a short tap on the pad still shows where it was.
    QTimer m_pointerLinger { this };
    // Pages that get the screen's picture after each slide command; none while any phone may connect.
    int m_pictureWatchers = 0;
    QTimer m_pictureDelay { this };
    QString m_lastPictureFailure; // logged once until it changes
    bool m_isTextDelivered = false;
    bool m_isKeyTargetStale = false; // a press of the group being answered may have gone elsewhere
    // Set while a burst of HTTP requests is answered: each property's view then updates once, not per request.
    std::optional<std::vector<Notification>> m_heldNotifications;
    TextHandOff m_textHandOff;
    InvitedPhones m_invitedPhones;
    // Last, so its listeners are silenced before any other field goes.
    HttpPortSwitch m_httpPorts;
};
