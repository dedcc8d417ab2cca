// RemoteMessage::parse on arbitrary peer buffers: it never fails, agrees with the strict decoder, accepts only the
// exact bare words besides JSON, and whatever it reads survives an encode/decode round trip.

#include "FuzzCheck.h"
#include "transport/peer/RemoteMessage.h"

#include <QStringView>
#include <cstdint>

namespace {

bool sameContent(const RemoteMessage& left, const RemoteMessage& right) { return left.content == right.content; }

bool hasOnlyWholeCharacters(const RemoteMessage& message)
{
    const auto* import = std::get_if<TextPayload>(&message.content);
    return !import || (QStringView(import->title).isValidUtf16() && QStringView(import->text).isValidUtf16());
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray buffer = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<RemoteMessage> parsed = RemoteMessage::parse(buffer);
    const std::optional<RemoteMessage> strict = RemoteMessage::decode(buffer);

    if (strict) {
        FUZZ_CHECK(parsed && sameContent(*parsed, *strict));
    } else if (parsed) {
        // Without valid JSON only the whole bare words are read.
        FUZZ_CHECK(buffer == "next" || buffer == "previous");
    } else {
        FUZZ_CHECK(buffer != "next" && buffer != "previous");
    }

    if (parsed && hasOnlyWholeCharacters(*parsed)) {
        const std::optional<RemoteMessage> again = RemoteMessage::decode(parsed->encode());
        FUZZ_CHECK(again && sameContent(*again, *parsed));
    }
    return 0;
}
