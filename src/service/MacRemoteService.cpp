#include "MacRemoteService.h"

#include "KeyTargetReport.h"
#include "LocalAddress.h"
#include "ServiceLogging.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Settings.h"

#include <algorithm>
#include <utility>

using namespace std::chrono_literals;

namespace {

struct CommandKey {
    Key key;
    QString text; // what the window says once it is pressed
};

CommandKey commandKeyFor(RemoteCommand command)
{
    switch (command) {
    case RemoteCommand::previous:
        return { Key::left, MacRemoteService::tr("◀ Slide précédente") };
    case RemoteCommand::blackScreen:
        // The same key blacks the screen and brings it back: which one it did is the program's to know.
        return { Key::b, MacRemoteService::tr("■ Écran noir / retour") };
    case RemoteCommand::first:
        return { Key::home, MacRemoteService::tr("⏮ Première slide") };
    case RemoteCommand::last:
        return { Key::end, MacRemoteService::tr("⏭ Dernière slide") };
    case RemoteCommand::next:
        break;
    }
    return { Key::right, MacRemoteService::tr("▶ Slide suivante") };
}

}

MacRemoteService::MacRemoteService(Platform platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_statusMessage(tr("En attente de l'iPhone"))
    , m_isConnected(false)
    , m_localIPAddress(tr("Recherche..."))
    , m_httpStatusMessage(tr("Démarrage..."))
    , m_lastCommandMessage(tr("Aucune commande reçue"))
    , m_commandCount(0)
    , m_hasAccessibility(m_platform.keys.hasAccess())
    , m_draft { m_platform.settings.text(draftTitleKey), m_platform.settings.text(draftTextKey) }
    , m_accessRequest(m_platform.keys.accessRequest())
    , m_textHandOff(m_platform.peerLink)
    , m_invitedPhones(m_platform.settings)
    , m_httpPorts(m_platform.httpListeners, *this, m_platform.settings)
{
    // Before any phone is heard of: the keys hold from the first handshake and request.
    connectInvitedPhones();
    publishPhoneKeys();
    connect(&m_accessibilityPoll, &QTimer::timeout, this, &MacRemoteService::refreshAccessibilityStatus);
    connect(&m_platform.keys, &RemoteInput::accessChanged, this, &MacRemoteService::handleAccessChange);
    m_keptCommandsExpiry.setObjectName(QStringLiteral("keptCommandsExpiry"));
    m_keptCommandsExpiry.setSingleShot(true);
    m_keptCommandsExpiry.setInterval(keptCommandLifetime);
    connect(&m_keptCommandsExpiry, &QTimer::timeout, this, &MacRemoteService::dropKeptCommands);
    m_pagePollingExpiry.setObjectName(QStringLiteral("pagePollingExpiry"));
    m_pagePollingExpiry.setSingleShot(true);
    m_pagePollingExpiry.setInterval(pagePollingLifetime);
    connect(&m_pagePollingExpiry, &QTimer::timeout, this, [this] { setIsPagePolling(false); });
    // Advertise only once the link's signals are connected, so no early event is lost.
    connectPeerLink();
    connectScreenPicture();
    connect(&m_platform.focusedWindow, &FocusedWindow::changed, this, &MacRemoteService::refreshKeyTarget);
    refreshKeyTarget();
    m_platform.peerLink.startAdvertising(peerDisplayName, peerServiceType);
    refreshLocalIPAddress();
    connectHttpPorts();
    startHTTPListener();
}

MacRemoteService::~MacRemoteService() = default;

// ---- Slide commands and permission ----

bool MacRemoteService::executeCommand(RemoteCommand command, QDeadlineTimer pressBefore)
{
    if (pressBefore.hasExpired()) {
        qCWarning(lcService, "A slide command waited past the time its phone gave up on it, and was not pressed");
        return false;
    }
    if (!m_platform.keys.hasAccess()) {
        setHasAccessibility(false);
        setStatusMessage(tr("⚠️ Autorisation Accessibilité requise"));
        setLastCommand(command);
        setCommandCount(m_commandCount + 1);
        askForAccessOnce();
        if (m_platform.keys.isAskingForAccess() && pressBefore.isForever())
            keepCommand(command);
        else
            setLastCommandMessage(accessAdvice());
        return false;
    }
    setHasAccessibility(true);
    pressKeptCommands();
    if (!postCommand(command))
        return false;
    setLastCommand(command);
    setCommandCount(m_commandCount + 1);
    return true;
}

bool MacRemoteService::postCommand(RemoteCommand command)
{
    const CommandKey pressed = commandKeyFor(command);
    if (!m_platform.keys.pressKey(pressed.key)) {
        setStatusMessage(tr("Commande clavier impossible"));
        return false;
    }
    setStatusMessage(pressed.text);
    setLastCommandMessage(pressed.text);
    // A burst of commands gets one picture, of the slide it ended on.
    if (m_pictureWatchers > 0)
        m_pictureDelay.start();
    // Without a window manager no event tells of a focus change: the window shows where this press went. The
    // presses of one group of requests all go out together, so one look at the focus after the group is enough.
    if (m_heldNotifications)
        m_isKeyTargetStale = true;
    else
        refreshKeyTarget();
    return true;
}

void MacRemoteService::keepCommand(RemoteCommand command)
{
    m_keptCommands.push_back(command);
    if (!m_keptCommandsExpiry.isActive())
        m_keptCommandsExpiry.start();
    setLastCommandMessage(tr("⏳ Commande en attente de l'autorisation"));
}

void MacRemoteService::pressKeptCommands()
{
    m_keptCommandsExpiry.stop();
    // Counted when they arrived.
    for (const RemoteCommand command : std::exchange(m_keptCommands, {}))
        postCommand(command);
}

void MacRemoteService::dropKeptCommands()
{
    qCWarning(lcService, "%d slide command(s) dropped: keyboard access was not granted within %lld s",
        int(m_keptCommands.size()), qlonglong(keptCommandLifetime.count()));
    m_keptCommands.clear();
    setLastCommandMessage(tr("⚠️ Commande abandonnée : autorisation non accordée en 60 s"));
}

void MacRemoteService::askForAccessOnce()
{
    if (m_hasAskedForAccess || m_platform.keys.hasAccess())
        return;
    m_hasAskedForAccess = true;
    requestAccessibilityPermission();
}

void MacRemoteService::handleAccessChange()
{
    if (const AccessRequest request = m_platform.keys.accessRequest(); request != m_accessRequest) {
        m_accessRequest = request;
        notify(&MacRemoteService::accessRequestChanged);
    }
    if (!m_keptCommands.empty() && m_platform.keys.hasAccess()) {
        setHasAccessibility(true);
        pressKeptCommands();
    }
}

QString MacRemoteService::accessAdvice() const
{
    switch (m_platform.keys.accessRequest()) {
    case AccessRequest::none:
        break;
    case AccessRequest::adminPassword:
        return tr("⚠️ Cliquez sur Autoriser → mot de passe admin");
    case AccessRequest::consent:
    case AccessRequest::consentEachStart:
        return tr("⚠️ Cliquez sur Autoriser → autorisez l'interaction à distance");
    }
    return tr("⚠️ Extension XTEST absente");
}

QString MacRemoteService::accessRequestKind() const
{
    switch (m_accessRequest) {
    case AccessRequest::none:
        break;
    case AccessRequest::adminPassword:
        return QStringLiteral("adminPassword");
    case AccessRequest::consent:
        return QStringLiteral("consent");
    case AccessRequest::consentEachStart:
        return QStringLiteral("consentEachStart");
    }
    return QStringLiteral("none");
}

QString MacRemoteService::keyTargetState() const { return rawValue(m_keyTarget.state); }

QString MacRemoteService::keyTargetProgram() const { return programName(m_keyTarget); }

KeyTarget MacRemoteService::refreshKeyTarget()
{
    const KeyTarget target = m_platform.focusedWindow.current();
    if (m_keyTarget != target) {
        m_keyTarget = target;
        m_platform.peerLink.publishKeyTarget(target, programName(target));
        notify(&MacRemoteService::keyTargetChanged);
    }
    return target;
}

void MacRemoteService::startAccessibilityMonitoring()
{
    setHasAccessibility(m_platform.keys.hasAccess());
    // One poll at a time: starting again restarts it.
    m_accessibilityPoll.start(2s);
}

void MacRemoteService::stopAccessibilityMonitoring() { m_accessibilityPoll.stop(); }

void MacRemoteService::refreshAccessibilityStatus()
{
    const bool trusted = m_platform.keys.hasAccess();
    if (trusted)
        pressKeptCommands();
    if (trusted == m_hasAccessibility)
        return;
    setHasAccessibility(trusted);
    if (trusted)
        setStatusMessage(tr("✅ Accessibilité autorisée"));
}

void MacRemoteService::requestAccessibilityPermission() { m_platform.keys.requestAccess(); }

// ---- Peer link ----

// The link emits on the main thread, so every handler here runs there.
void MacRemoteService::connectPeerLink()
{
    PeerLink* link = &m_platform.peerLink;
    connect(link, &PeerLink::peerStateChanged, this, &MacRemoteService::handlePeerState);
    connect(link, &PeerLink::commandReceived, this, [this](RemoteCommand command) { executeCommand(command); });
    connect(link, &PeerLink::tapReceived, this, [this](const PageTap& tap) {
        m_platform.peerLink.answerTap(tap, executeCommand(tap.command, tap.pressBefore));
    });
    m_pointerLinger.setSingleShot(true);
    m_pointerLinger.setInterval(500ms);
    connect(&m_pointerLinger, &QTimer::timeout, &m_platform.pointerOverlay, &PointerOverlay::hidePointer);
    connect(link, &PeerLink::pointerMoved, this, [this](QPointF position) {
        m_pointerLinger.stop();
        m_platform.pointerOverlay.showPointer(position);
    });
    connect(link, &PeerLink::pointerLifted, &m_pointerLinger, qOverload<>(&QTimer::start));
    connect(link, &PeerLink::advertisingFailed, this, [this] {
        setStatusMessage(tr("Partage indisponible"));
        m_isAdvertisingFailureShown = true;
    });
    connect(link, &PeerLink::advertisingSucceeded, this, &MacRemoteService::handleAdvertisingSucceeded);
    connect(&m_textHandOff, &TextHandOff::delivered, this, [this] {
        setIsTextDelivered(true);
        setTextSendStatus(tr("✅ Texte envoyé à l'iPhone"));
    });
}

void MacRemoteService::connectScreenPicture()
{
    PeerLink* link = &m_platform.peerLink;
    ScreenPicture* picture = &m_platform.screenPicture;
    m_pictureDelay.setObjectName(QStringLiteral("pictureDelay"));
    m_pictureDelay.setSingleShot(true);
    // A coarse timer may fire 5 % late, and the phone waits for it.
    m_pictureDelay.setTimerType(Qt::PreciseTimer);
    m_pictureDelay.setInterval(pictureDelay);
    connect(&m_pictureDelay, &QTimer::timeout, picture, &ScreenPicture::take);
    connect(link, &PeerLink::pictureRequested, picture, &ScreenPicture::take);
    connect(link, &PeerLink::pictureWatchersChanged, this, [this](int watchers) {
        m_pictureWatchers = watchers;
        if (watchers == 0)
            m_pictureDelay.stop();
    });
    connect(picture, &ScreenPicture::taken, this, [this](const QByteArray& jpeg) {
        m_lastPictureFailure.clear();
        if (m_pictureWatchers > 0)
            m_platform.peerLink.publishPicture(jpeg);
    });
    connect(picture, &ScreenPicture::failed, this, [this](const QString& reason) {
        if (std::exchange(m_lastPictureFailure, reason) != reason)
            qCWarning(lcService) << "No picture of the screen for the phones:" << reason;
    });
}

void MacRemoteService::handlePeerState(PeerState state, int connectedPeers)
{
    // Every event carries the connected set, so with several phones the header tells the truth about all of them:
    // one leaving, or a second one's failed handshake, does not hide those that stay.
    m_connectedPeers = connectedPeers;
    setIsConnected(connectedPeers > 0);
    setStatusMessage(state == PeerState::connecting ? tr("Connexion iPhone...") : connectedSetText());
    // While the presenter sets up, not at the first slide command in the talk.
    if (state == PeerState::connected)
        askForAccessOnce();
}

QString MacRemoteService::connectedSetText() const
{
    if (m_connectedPeers > 0)
        return tr("iPhone connecté");
    return m_isPagePolling ? tr("Page ouverte sur un téléphone (HTTP)") : tr("En attente de l'iPhone");
}

void MacRemoteService::handleAdvertisingSucceeded()
{
    // Only the failure's own text gives way; another part's text stands.
    if (m_isAdvertisingFailureShown)
        setStatusMessage(connectedSetText());
}

// ---- Text hand-off ----

void MacRemoteService::sendText(const QString& title, const QString& text)
{
    // A sent text stays in the fields for this run, but a restart no longer brings it back.
    if (handOffText(title, text))
        storeDraft({});
}

void MacRemoteService::keepDraft(const QString& title, const QString& text)
{
    if (m_draft == TextPayload { title, text })
        return;
    // Called at every keystroke: only the field that changed is written.
    if (m_draft.title != title)
        m_platform.settings.setText(draftTitleKey, title);
    if (m_draft.text != text)
        m_platform.settings.setText(draftTextKey, text);
    m_draft = { title, text };
    notify(&MacRemoteService::draftChanged);
}

void MacRemoteService::storeDraft(const TextPayload& draft)
{
    m_platform.settings.setText(draftTitleKey, draft.title);
    m_platform.settings.setText(draftTextKey, draft.text);
}

bool MacRemoteService::handOffText(const QString& title, const QString& text)
{
    // QString::trimmed drops every Unicode space, tab, line and paragraph separator at both ends.
    const QString trimmedText = text.trimmed();
    if (trimmedText.isEmpty()) {
        setIsTextSendSuccessful(false);
        setTextSendStatus(tr("Texte vide"));
        return false;
    }
    const QString trimmedTitle = title.trimmed();
    setIsTextDelivered(false);
    setIsTextSendSuccessful(true);
    // Before the offer, which a phone may confirm at once.
    setTextSendStatus(tr("✅ Texte prêt — l'iPhone le récupère à la prochaine commande"));
    m_textHandOff.hold({ trimmedTitle.isEmpty() ? tr("Texte du Mac") : trimmedTitle, trimmedText });
    return true;
}

// ---- HTTP fallback server ----

void MacRemoteService::connectHttpPorts()
{
    connect(&m_httpPorts, &HttpPortSwitch::stateChanged, this, &MacRemoteService::showHttpState);
    connect(&m_httpPorts, &HttpPortSwitch::readyChanged, this, &MacRemoteService::setIsHttpListenerReady);
    connect(&m_httpPorts, &HttpPortSwitch::stopped, this,
        [this](quint16 port) { setHttpStatusMessage(tr("Port %1 arrêté").arg(port)); });
    connect(&m_httpPorts, &HttpPortSwitch::storedPortInvalid, this,
        [this](qint64 port) { setHttpStatusMessage(QStringLiteral("Port %1 invalide").arg(port)); });
    connect(&m_httpPorts, &HttpPortSwitch::servingPortChanged, this,
        [this] { notify(&MacRemoteService::httpPortChanged); });
    connect(&m_httpPorts, &HttpPortSwitch::isApplyingChanged, this,
        [this] { notify(&MacRemoteService::isApplyingPortChanged); });
}

void MacRemoteService::startHTTPListener() { m_httpPorts.start(); }

void MacRemoteService::applyPort(quint16 port) { m_httpPorts.applyPort(port); }

void MacRemoteService::notePagePolling()
{
    m_pagePollingExpiry.start();
    setIsPagePolling(true);
}

void MacRemoteService::showHttpState(HttpListenerState state, quint16 port, bool isCandidate)
{
    const QString stillServing = tr("IP active sur le port %1").arg(m_httpPorts.servingPort());
    switch (state) {
    case HttpListenerState::starting:
        setHttpStatusMessage(tr("Port %1 en démarrage").arg(port));
        break;
    case HttpListenerState::ready:
        setHttpStatusMessage(tr("IP active sur le port %1").arg(port));
        break;
    case HttpListenerState::failed:
        setHttpStatusMessage(isCandidate ? tr("Port %1 indisponible — %2").arg(port).arg(stillServing)
                                         : tr("Port %1 indisponible").arg(port));
        break;
    case HttpListenerState::notPermitted:
        setHttpStatusMessage(isCandidate ? tr("Port %1 réservé à l'administrateur — %2").arg(port).arg(stillServing)
                                         : tr("Port %1 indisponible").arg(port));
        break;
    }
}

std::vector<PhoneAnswer> MacRemoteService::answer(const std::vector<PhoneRequest>& requests)
{
    m_heldNotifications.emplace();
    std::vector<PhoneAnswer> answers;
    answers.reserve(requests.size());
    for (const PhoneRequest& request : requests)
        answers.push_back(answerOne(request));
    if (std::exchange(m_isKeyTargetStale, false))
        refreshKeyTarget();
    const std::vector<Notification> held = *std::exchange(m_heldNotifications, std::nullopt);
    for (const Notification notification : held)
        Q_EMIT(this->*notification)();
    return answers;
}

PhoneAnswer MacRemoteService::answerOne(const PhoneRequest& request)
{
    using Kind = PhoneAnswer::Kind;
    if (!request.keyHash.isEmpty())
        m_invitedPhones.noteRequest(request.keyHash);
    switch (request.kind) {
    case PhoneRequest::Kind::command:
        // Without a deadline it is the phone app's or a script's, which hear "ok" whatever happened, as they always
        // did.
        if (!executeCommand(request.command, request.pressBefore.value_or(QDeadlineTimer(QDeadlineTimer::Forever)))
            && request.pressBefore)
            return { Kind::commandNotPressed, {}, {}, {}, {} };
        // A pending text rides on the answer to the phone's next command.
        return takePendingText(Kind::commandDone);
    case PhoneRequest::Kind::pendingText:
        // The page asks for this and the key target as soon as it is open on a phone.
        notePagePolling();
        askForAccessOnce();
        return takePendingText(Kind::noPendingText);
    case PhoneRequest::Kind::sendText:
        if (!handOffText(request.text.title, request.text.text))
            return { Kind::textRefused, {}, m_textSendStatus.value_or(QString()), {}, {} };
        return { Kind::textAccepted, {}, {}, {}, {} };
    case PhoneRequest::Kind::keyTarget:
        notePagePolling();
        askForAccessOnce();
        refreshKeyTarget();
        return { Kind::keyTarget, {}, {}, m_keyTarget, programName(m_keyTarget) };
    case PhoneRequest::Kind::join:
        if (QByteArray key = m_invitedPhones.join(request.invitation, request.userAgent, request.address);
            !key.isEmpty())
            return { Kind::joined, {}, {}, {}, {}, std::move(key) };
        return { Kind::notInvited, {}, {}, {}, {} };
    }
    return { Kind::commandDone, {}, {}, {}, {} };
}

PhoneAnswer MacRemoteService::takePendingText(PhoneAnswer::Kind otherwise)
{
    std::optional<TextPayload> text = m_textHandOff.take();
    if (!text)
        return { otherwise, {}, {}, {}, {} };
    setIsTextDelivered(true);
    setIsTextSendSuccessful(true);
    setTextSendStatus(tr("✅ Texte envoyé à l'iPhone"));
    return { PhoneAnswer::Kind::pendingText, std::move(*text), {}, {}, {} };
}

// ---- Invited phones ----

void MacRemoteService::connectInvitedPhones()
{
    connect(&m_invitedPhones, &InvitedPhones::keysChanged, this, [this] {
        publishPhoneKeys();
        notify(&MacRemoteService::isInvitedOnlyChanged);
        notify(&MacRemoteService::invitationChanged);
    });
    connect(&m_invitedPhones, &InvitedPhones::phonesChanged, this,
        [this] { notify(&MacRemoteService::invitedPhonesChanged); });
    connect(&m_invitedPhones, &InvitedPhones::refusedChanged, this,
        [this] { notify(&MacRemoteService::refusedRequestsChanged); });
    connect(&m_platform.peerLink, &PeerLink::keyedSessionsChanged, &m_invitedPhones, &InvitedPhones::setSessions);
    connect(&m_platform.peerLink, &PeerLink::refused, &m_invitedPhones, &InvitedPhones::noteRefused);
    connect(&m_httpPorts, &HttpPortSwitch::refused, &m_invitedPhones, &InvitedPhones::noteRefused);
}

void MacRemoteService::publishPhoneKeys()
{
    const PhoneKeys keys = m_invitedPhones.keys();
    m_platform.peerLink.setPhoneKeys(keys);
    m_httpPorts.setPhoneKeys(keys);
}

void MacRemoteService::setInvitedOnly(bool isInvitedOnly) { m_invitedPhones.setRequired(isInvitedOnly); }

void MacRemoteService::disconnectPhone(const QString& keyHash)
{
    m_invitedPhones.revoke(QByteArray::fromHex(keyHash.toLatin1()));
}

void MacRemoteService::forgetAllPhones() { m_invitedPhones.revokeAll(); }

QVariantList MacRemoteService::invitedPhones() const
{
    QVariantList phones;
    for (const InvitedPhones::Phone& phone : m_invitedPhones.phones()) {
        phones.append(QVariantMap {
            { QStringLiteral("keyHash"), QString::fromLatin1(phone.keyHash.toHex()) },
            { QStringLiteral("address"), phone.address },
            { QStringLiteral("kind"), phone.browser.isEmpty() ? tr("application") : phone.browser },
            { QStringLiteral("since"), phone.since },
            { QStringLiteral("isConnected"), phone.isConnected },
        });
    }
    return phones;
}

// ---- Local address ----

void MacRemoteService::refreshLocalIPAddress()
{
    const std::optional<std::vector<NetworkInterfaceEntry>> entries = m_platform.interfaces.entries();
    const std::optional<QString> address = entries ? chooseLocalAddress(*entries) : std::nullopt;
    m_hasLocalIPAddress = address.has_value();
    setLocalIPAddress(address.value_or(tr("Aucune IP réseau")));
}

// ---- Observed fields ----

void MacRemoteService::setStatusMessage(const QString& value)
{
    m_isAdvertisingFailureShown = false;
    if (m_statusMessage == value)
        return;
    m_statusMessage = value;
    notify(&MacRemoteService::statusMessageChanged);
}

void MacRemoteService::setIsConnected(bool value)
{
    if (m_isConnected == value)
        return;
    m_isConnected = value;
    notify(&MacRemoteService::isConnectedChanged);
}

void MacRemoteService::setLocalIPAddress(const QString& value)
{
    if (m_localIPAddress == value)
        return;
    m_localIPAddress = value;
    notify(&MacRemoteService::localIPAddressChanged);
}

void MacRemoteService::setHttpStatusMessage(const QString& value)
{
    if (m_httpStatusMessage == value)
        return;
    m_httpStatusMessage = value;
    notify(&MacRemoteService::httpStatusMessageChanged);
}

void MacRemoteService::setLastCommandMessage(const QString& value)
{
    if (m_lastCommandMessage == value)
        return;
    m_lastCommandMessage = value;
    notify(&MacRemoteService::lastCommandMessageChanged);
}

void MacRemoteService::setCommandCount(qint64 value)
{
    if (m_commandCount == value)
        return;
    m_commandCount = value;
    notify(&MacRemoteService::commandCountChanged);
}

void MacRemoteService::setLastCommand(std::optional<RemoteCommand> value)
{
    if (m_lastCommand == value)
        return;
    m_lastCommand = value;
    notify(&MacRemoteService::lastCommandChanged);
}

void MacRemoteService::setTextSendStatus(std::optional<QString> value)
{
    if (m_textSendStatus == value)
        return;
    m_textSendStatus = std::move(value);
    notify(&MacRemoteService::textSendStatusChanged);
}

void MacRemoteService::setHasAccessibility(bool value)
{
    if (m_hasAccessibility == value)
        return;
    m_hasAccessibility = value;
    notify(&MacRemoteService::hasAccessibilityChanged);
}

void MacRemoteService::setIsHttpListenerReady(bool value)
{
    if (m_isHttpListenerReady == value)
        return;
    m_isHttpListenerReady = value;
    notify(&MacRemoteService::isHttpListenerReadyChanged);
}

void MacRemoteService::setIsTextSendSuccessful(bool value)
{
    if (m_isTextSendSuccessful == value)
        return;
    m_isTextSendSuccessful = value;
    notify(&MacRemoteService::isTextSendSuccessfulChanged);
}

void MacRemoteService::setIsTextDelivered(bool value)
{
    if (m_isTextDelivered == value)
        return;
    m_isTextDelivered = value;
    notify(&MacRemoteService::isTextDeliveredChanged);
}

void MacRemoteService::setIsPagePolling(bool value)
{
    if (m_isPagePolling == value)
        return;
    m_isPagePolling = value;
    notify(&MacRemoteService::isPagePollingChanged);
    // A page opening or going is news like a phone's: the header tells it, unless a phone's session is shown.
    if (m_connectedPeers == 0)
        setStatusMessage(connectedSetText());
}

void MacRemoteService::notify(Notification notification)
{
    if (!m_heldNotifications) {
        Q_EMIT(this->*notification)();
        return;
    }
    if (std::find(m_heldNotifications->begin(), m_heldNotifications->end(), notification) == m_heldNotifications->end())
        m_heldNotifications->push_back(notification);
}
