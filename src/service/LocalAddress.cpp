#include "MacRemoteService.h"

#include "platform/NetworkInterfaces.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

struct AddressCandidate {
    int priority;
    QString address;
};

// Lower wins: the primary built-in interfaces first, bridges last.
int interfacePriority(const QString& name)
{
    if (name == u"en0")
        return 0;
    if (name == u"en1")
        return 1;
    if (name.startsWith(u"bridge"))
        return 4;
    return 2;
}

}

std::optional<QString> MacRemoteService::findLocalIPAddress()
{
    const std::optional<std::vector<NetworkInterfaceEntry>> entries = m_platform.interfaces.entries();
    if (!entries || entries->empty())
        return std::nullopt;

    std::vector<AddressCandidate> candidates;
    for (const NetworkInterfaceEntry& entry : *entries) {
        if (entry.ipv4Address.isEmpty())
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString name = utf8.decode(entry.name);
        if (utf8.hasError() || name.startsWith(u"lo"))
            continue;
        candidates.push_back({ interfacePriority(name), entry.ipv4Address });
    }
    // Addresses compare as text, so 192.168.0.10 comes before 192.168.0.9.
    std::sort(candidates.begin(), candidates.end(), [](const AddressCandidate& a, const AddressCandidate& b) {
        return a.priority != b.priority ? a.priority < b.priority : a.address < b.address;
    });
    if (candidates.empty())
        return std::nullopt;
    return candidates.front().address;
}

void MacRemoteService::refreshLocalIPAddress()
{
    setLocalIPAddress(findLocalIPAddress().value_or(tr("Aucune IP réseau")));
}
