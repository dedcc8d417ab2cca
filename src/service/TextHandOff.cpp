#include "MacRemoteService.h"

#include "platform/Settings.h"

void MacRemoteService::sendText(const QString& title, const QString& text)
{
    // A sent text stays in the fields for this run, but a restart no longer brings it back.
    if (handOffText(title, text))
        storeDraft({});
}

void MacRemoteService::keepDraft(const QString& title, const QString& text)
{
    const PendingText draft { title, text };
    if (m_draft == draft)
        return;
    m_draft = draft;
    storeDraft(draft);
    notify(&MacRemoteService::draftChanged);
}

void MacRemoteService::storeDraft(const PendingText& draft)
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
    const QString finalTitle = trimmedTitle.isEmpty() ? tr("Texte du Mac") : trimmedTitle;

    // The text stays pending until a phone shows it read it: a phone gone silent takes nothing with it.
    m_pendingText = PendingText { finalTitle, trimmedText };
    m_textInFlight.reset();
    setIsTextSendSuccessful(true);
    setTextSendStatus(tr("✅ Texte prêt — l'iPhone le récupère à la prochaine commande"));
    deliverPendingTextToPeers();
    return true;
}

void MacRemoteService::deliverPendingTextToPeers()
{
    if (!m_pendingText || m_textInFlight || m_connectedPeers == 0)
        return;
    m_textInFlight = ++m_lastDelivery;
    m_platform.peerLink.send(
        *m_textInFlight, RemoteMessage::importText(m_pendingText->title, m_pendingText->text).encode());
}

void MacRemoteService::handleTextDelivered(quint64 delivery)
{
    // A report on a text since replaced or taken over HTTP changes nothing.
    if (delivery != m_textInFlight)
        return;
    m_textInFlight.reset();
    setTextSendStatus(tr("✅ Texte envoyé à l'iPhone"));
    m_pendingText.reset();
}

void MacRemoteService::handleTextUndelivered(quint64 delivery)
{
    if (delivery != m_textInFlight)
        return;
    // Still pending: for a phone still connected, the next one to connect, or HTTP.
    m_textInFlight.reset();
    deliverPendingTextToPeers();
}

std::optional<QByteArray> MacRemoteService::takePendingTextBody()
{
    if (!m_pendingText)
        return std::nullopt;
    const QString body = QStringLiteral("{\"title\":\"") + escapeJSONText(m_pendingText->title)
        + QStringLiteral("\",\"text\":\"") + escapeJSONText(m_pendingText->text) + QStringLiteral("\"}");
    m_pendingText.reset();
    m_textInFlight.reset();
    setIsTextSendSuccessful(true);
    setTextSendStatus(tr("✅ Texte envoyé à l'iPhone"));
    return body.toUtf8();
}

QString MacRemoteService::escapeJSONText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar character : text) {
        switch (character.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'"':
            escaped += QStringLiteral("\\\"");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        default:
            // Raw control characters would make the body invalid JSON.
            if (character.unicode() < 0x20)
                escaped += QStringLiteral("\\u%1").arg(character.unicode(), 4, 16, QLatin1Char('0'));
            else
                escaped += character;
        }
    }
    return escaped;
}

HttpOutcome MacRemoteService::handleSendTextRequest(const std::optional<QByteArray>& body)
{
    using Kind = HttpOutcome::Kind;
    if (!body)
        return { Kind::missingBody, {} };
    const Decoded<TextPayload> payload = TextPayload::decode(*body);
    if (std::holds_alternative<DecodingError>(payload))
        return { Kind::invalidJson, {} };
    const auto& [title, text] = std::get<TextPayload>(payload);
    if (!handOffText(title, text))
        return { Kind::emptyText, m_textSendStatus.value_or(QString()).toUtf8() };
    return { Kind::textAccepted, {} };
}
