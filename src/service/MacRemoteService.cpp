#include "MacRemoteService.h"

#include "KeyTargetReport.h"
#include "LocalAddress.h"
#include "RemoteMessage.h"
#include "ServiceLogging.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Settings.h"

#include <algorithm>
#include <utility>

using namespace std::chrono_literals;

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
    , m_httpPorts(m_platform.httpListeners, m_platform.settings)
{
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
    connect(&m_platform.focusedWindow, &FocusedWindow::changed, this, &MacRemoteService::refreshKeyTarget);
    refreshKeyTarget();
    m_platform.peerLink.startAdvertising(peerDisplayName, peerServiceType);
    refreshLocalIPAddress();
    connectHttpPorts();
    startHTTPListener();
}

MacRemoteService::~MacRemoteService() = default;

// ---- Slide commands and permission ----

void MacRemoteService::executeCommand(RemoteCommand command)
{
    if (!m_platform.keys.hasAccess()) {
        setHasAccessibility(false);
        setStatusMessage(tr("⚠️ Autorisation Accessibilité requise"));
        setLastCommand(command);
        setCommandCount(m_commandCount + 1);
        askForAccessOnce();
        if (m_platform.keys.isAskingForAccess())
            keepCommand(command);
        else
            setLastCommandMessage(accessAdvice());
        return;
    }
    setHasAccessibility(true);
    pressKeptCommands();
    if (!postCommand(command))
        return;
    setLastCommand(command);
    setCommandCount(m_commandCount + 1);
}

bool MacRemoteService::postCommand(RemoteCommand command)
{
    if (!m_platform.keys.pressArrow(command == RemoteCommand::next ? Arrow::right : Arrow::left)) {
        setStatusMessage(tr("Commande clavier impossible"));
        return false;
    }
    const QString text = command == RemoteCommand::next ? tr("▶ Slide suivante") : tr("◀ Slide précédente");
    setStatusMessage(text);
    setLastCommandMessage(text);
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
    connect(link, &PeerLink::messageReceived, this, &MacRemoteService::handlePeerData);
    connect(link, &PeerLink::advertisingFailed, this, [this] {
        setStatusMessage(tr("Partage indisponible"));
        m_isAdvertisingFailureShown = true;
    });
    connect(link, &PeerLink::advertisingSucceeded, this, &MacRemoteService::handleAdvertisingSucceeded);
    connect(link, &PeerLink::delivered, this, &MacRemoteService::handleTextDelivered);
    // Still pending: for a phone still connected, the next one to connect, or HTTP.
    connect(link, &PeerLink::undelivered, this,
        [this](quint64 delivery) { m_textHandOff.retry(delivery, m_connectedPeers); });
}

void MacRemoteService::handlePeerState(PeerState state, int connectedPeers)
{
    // Every event carries the connected set, so with several phones the header tells the truth about all of them:
    // one leaving, or a second one's failed handshake, does not hide those that stay.
    m_connectedPeers = connectedPeers;
    setIsConnected(connectedPeers > 0);
    setStatusMessage(state == PeerState::connecting ? tr("Connexion iPhone...") : connectedSetText());
    if (state == PeerState::connected) {
        m_textHandOff.deliver(m_connectedPeers);
        // While the presenter sets up, not at the first slide command in the talk.
        askForAccessOnce();
    }
}

QString MacRemoteService::connectedSetText() const
{
    if (m_connectedPeers > 0)
        return tr("iPhone connecté");
    return m_isPagePolling ? tr("Page ouverte sur un téléphone (HTTP)") : tr("En attente de l'iPhone");
}

void MacRemoteService::handlePeerData(const QByteArray& data)
{
    const std::optional<RemoteMessage> message = RemoteMessage::parse(data);
    // A peer's malformed message is no fault of ours: debug only, or a hostile one would fill the journal.
    if (!message) {
        qCDebug(lcService, "Malformed peer message of %lld bytes ignored", qlonglong(data.size()));
        return;
    }
    // Texts only travel from the desktop to the phone; an importText from a phone is ignored.
    if (const auto* slide = std::get_if<RemoteMessage::SlideCommand>(&message->content))
        executeCommand(slide->command);
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
    m_textHandOff.hold({ trimmedTitle.isEmpty() ? tr("Texte du Mac") : trimmedTitle, trimmedText });
    setIsTextDelivered(false);
    setIsTextSendSuccessful(true);
    setTextSendStatus(tr("✅ Texte prêt — l'iPhone le récupère à la prochaine commande"));
    m_textHandOff.deliver(m_connectedPeers);
    return true;
}

void MacRemoteService::handleTextDelivered(quint64 delivery)
{
    // A report on a text since replaced or taken over HTTP changes nothing.
    if (!m_textHandOff.confirm(delivery))
        return;
    setIsTextDelivered(true);
    setTextSendStatus(tr("✅ Texte envoyé à l'iPhone"));
}

std::optional<QByteArray> MacRemoteService::takePendingTextBody()
{
    std::optional<QByteArray> body = m_textHandOff.take();
    if (body) {
        setIsTextDelivered(true);
        setIsTextSendSuccessful(true);
        setTextSendStatus(tr("✅ Texte envoyé à l'iPhone"));
    }
    return body;
}

HttpOutcome MacRemoteService::handleSendTextRequest(const std::optional<QByteArray>& body)
{
    using Kind = HttpOutcome::Kind;
    if (!body)
        return { Kind::missingBody, {} };
    const std::optional<TextPayload> payload = TextPayload::decode(*body);
    if (!payload) {
        qCDebug(lcService, "Malformed text of %lld bytes refused", qlonglong(body->size()));
        return { Kind::invalidJson, {} };
    }
    if (!handOffText(payload->title, payload->text))
        return { Kind::emptyText, m_textSendStatus.value_or(QString()).toUtf8() };
    return { Kind::textAccepted, {} };
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
    connect(&m_httpPorts, &HttpPortSwitch::requestsReceived, this, &MacRemoteService::answerHttpRoutes);
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

void MacRemoteService::answerHttpRoutes(HttpListener* listener, const std::vector<RouteRequest>& requests)
{
    m_heldNotifications.emplace();
    std::vector<HttpOutcome> outcomes;
    outcomes.reserve(requests.size());
    for (const RouteRequest& request : requests)
        outcomes.push_back(answerHttpRoute(request));
    listener->answer(std::move(outcomes));
    if (std::exchange(m_isKeyTargetStale, false))
        refreshKeyTarget();
    const std::vector<Notification> held = *std::exchange(m_heldNotifications, std::nullopt);
    for (const Notification notification : held)
        Q_EMIT(this->*notification)();
}

HttpOutcome MacRemoteService::answerHttpRoute(const RouteRequest& request)
{
    using Kind = HttpOutcome::Kind;
    switch (request.route) {
    case HttpRoute::next:
    case HttpRoute::previous:
        executeCommand(request.route == HttpRoute::next ? RemoteCommand::next : RemoteCommand::previous);
        // A pending text rides on the answer to the phone's next command.
        if (std::optional<QByteArray> body = takePendingTextBody())
            return { Kind::pendingText, *body };
        return { Kind::commandDone, {} };
    case HttpRoute::pendingText:
        // The page polls this and the key target as soon as it is open on a phone.
        notePagePolling();
        askForAccessOnce();
        if (std::optional<QByteArray> body = takePendingTextBody())
            return { Kind::pendingText, *body };
        return { Kind::noPendingText, {} };
    case HttpRoute::sendText:
        return handleSendTextRequest(request.body);
    case HttpRoute::keyTarget:
        notePagePolling();
        askForAccessOnce();
        return { Kind::keyTarget, keyTargetJson(refreshKeyTarget()) };
    case HttpRoute::unknown:
        break;
    }
    return { Kind::unknown, {} };
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
