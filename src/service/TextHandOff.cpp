#include "MacRemoteService.h"

void MacRemoteService::sendText(const QString& title, const QString& text) { handOffText(title, text); }

MacRemoteService::HandOffOutcome MacRemoteService::handOffText(const QString& title, const QString& text)
{
    // QString::trimmed drops every Unicode space, tab, line and paragraph separator at both ends.
    const QString trimmedText = text.trimmed();
    if (trimmedText.isEmpty()) {
        setTextSendStatus(tr("Texte vide"));
        return HandOffOutcome::emptyText;
    }
    const QString trimmedTitle = title.trimmed();
    const QString finalTitle = trimmedTitle.isEmpty() ? tr("Texte du Mac") : trimmedTitle;

    if (m_platform.peerLink.hasConnectedPeers()) {
        const QByteArray message = RemoteMessage::importText(finalTitle, trimmedText).encode();
        if (m_platform.peerLink.sendToConnectedPeers(message)) {
            setTextSendStatus(tr("✅ Texte envoyé à l'iPhone"));
            m_pendingText.reset();
            return HandOffOutcome::sentToPeers;
        }
    }
    m_pendingText = PendingText { finalTitle, trimmedText };
    setTextSendStatus(tr("✅ Texte prêt — l'iPhone le récupère à la prochaine commande"));
    return HandOffOutcome::pending;
}

std::optional<QByteArray> MacRemoteService::takePendingTextBody()
{
    if (!m_pendingText)
        return std::nullopt;
    const QString body = QStringLiteral("{\"title\":\"") + escapeJSONText(m_pendingText->title)
        + QStringLiteral("\",\"text\":\"") + escapeJSONText(m_pendingText->text) + QStringLiteral("\"}");
    m_pendingText.reset();
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
    if (handOffText(title, text) == HandOffOutcome::emptyText)
        return { Kind::emptyText, m_textSendStatus.value_or(QString()).toUtf8() };
    return { Kind::textAccepted, {} };
}
