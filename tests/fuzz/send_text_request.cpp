// A posted text through a real service on fake platform seams. The first byte chooses the situation (a phone
// connected, its send failing, a text already pending, no body at all); the rest is the body as the server hands it
// over. Every outcome is one of the four the route knows, and an accepted text reaches the phone or the pending text
// unchanged apart from trimming, and comes back out of the pending-text body as the same strings.

#include "FakePlatform.h"
#include "FuzzCheck.h"

#include <QStringView>
#include <cstdint>

namespace {

const QString emptyTextStatus = QStringLiteral("Texte vide");
const QString defaultTitle = QStringLiteral("Texte du Mac");

bool isOutcome(const HttpOutcome& outcome, HttpOutcome::Kind kind, const QByteArray& detail = {})
{
    return outcome.kind == kind && outcome.detail == detail;
}

void checkDecodedPayload(const QByteArray& body, const QString& title, const QString& text)
{
    if (!QStringView(title).isValidUtf16() || !QStringView(text).isValidUtf16())
        return; // a lone surrogate has no UTF-8 form to travel in
    const Decoded<MacRemoteService::TextPayload> decoded = MacRemoteService::TextPayload::decode(body);
    FUZZ_CHECK(std::holds_alternative<MacRemoteService::TextPayload>(decoded));
    FUZZ_CHECK(std::get<MacRemoteService::TextPayload>(decoded).title == title);
    FUZZ_CHECK(std::get<MacRemoteService::TextPayload>(decoded).text == text);
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t situation = data[0];
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (!bytes.isValidUtf8())
        return 0; // the server answers such bytes itself, without the service
    const std::optional<QByteArray> body = situation & 8 ? std::nullopt : std::optional(bytes);

    FakePlatform fake;
    fake.peerLink.connectedPeers = situation & 1;
    fake.peerLink.sendSucceeds = situation & 2;
    MacRemoteService service(fake.platform());
    const MacRemoteService::PendingText earlier { QStringLiteral("T0"), QStringLiteral("earlier") };
    if (situation & 4)
        service.sendText(earlier.title, earlier.text);
    const std::optional<MacRemoteService::PendingText> pendingBefore = service.pendingText();
    const std::size_t sentBefore = fake.peerLink.sent.size();

    const HttpOutcome outcome = service.handleSendTextRequest(body);

    if (!body) {
        FUZZ_CHECK(isOutcome(outcome, HttpOutcome::Kind::missingBody));
        FUZZ_CHECK(service.pendingText() == pendingBefore);
        return 0;
    }
    const Decoded<MacRemoteService::TextPayload> payload = MacRemoteService::TextPayload::decode(*body);
    if (std::holds_alternative<DecodingError>(payload)) {
        FUZZ_CHECK(isOutcome(outcome, HttpOutcome::Kind::invalidJson));
        FUZZ_CHECK(service.pendingText() == pendingBefore);
        return 0;
    }
    const auto& [title, text] = std::get<MacRemoteService::TextPayload>(payload);
    if (text.trimmed().isEmpty()) {
        FUZZ_CHECK(isOutcome(outcome, HttpOutcome::Kind::emptyText, emptyTextStatus.toUtf8()));
        FUZZ_CHECK(service.pendingText() == pendingBefore);
        FUZZ_CHECK(fake.peerLink.sent.size() == sentBefore);
        return 0;
    }
    FUZZ_CHECK(isOutcome(outcome, HttpOutcome::Kind::textAccepted));
    const QString finalTitle = title.trimmed().isEmpty() ? defaultTitle : title.trimmed();
    const QString finalText = text.trimmed();

    if (fake.peerLink.connectedPeers && fake.peerLink.sendSucceeds) {
        FUZZ_CHECK(fake.peerLink.sent.size() == sentBefore + 1);
        FUZZ_CHECK(!service.pendingText());
        const std::optional<RemoteMessage> message = RemoteMessage::parse(fake.peerLink.sent.back());
        FUZZ_CHECK(message);
        const auto* import = std::get_if<RemoteMessage::ImportText>(&message->content);
        FUZZ_CHECK(import);
        if (QStringView(finalTitle).isValidUtf16() && QStringView(finalText).isValidUtf16())
            FUZZ_CHECK(import->title == finalTitle && import->text == finalText);
        return 0;
    }
    FUZZ_CHECK((service.pendingText() == MacRemoteService::PendingText { finalTitle, finalText }));
    const std::optional<QByteArray> pendingBody = service.takePendingTextBody();
    FUZZ_CHECK(pendingBody);
    checkDecodedPayload(*pendingBody, finalTitle, finalText);
    FUZZ_CHECK(!service.pendingText() && !service.takePendingTextBody());
    return 0;
}
