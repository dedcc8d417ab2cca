#include "MacRemoteService.h"

#include "platform/NetworkInterfaces.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

struct AddressCandidate {
    int priority;
    QString address;
};

bool startsWithAny(const QString& name, std::initializer_list<const char16_t*> prefixes)
{
    return std::any_of(
        prefixes.begin(), prefixes.end(), [&](const char16_t* prefix) { return name.startsWith(prefix); });
}

// Bridges, containers, virtual machines and tunnels: a phone on the Wi-Fi can never reach their addresses.
bool isVirtual(const QString& name)
{
    return startsWithAny(name,
        { u"docker", u"br-", u"bridge", u"virbr", u"veth", u"vmnet", u"vboxnet", u"lxcbr", u"lxdbr", u"podman", u"cni",
            u"flannel", u"tun", u"tap", u"wg", u"tailscale", u"zt" });
}

// Lower wins: the way out to the network first, then the other cards, then anything else, virtual ones last; a
// self-assigned link-local address only when nothing else exists.
int interfacePriority(const QString& name, const NetworkInterfaceEntry& entry)
{
    if (entry.ipv4Address.startsWith(u"169.254."))
        return 5;
    if (isVirtual(name))
        return 4;
    if (entry.carriesDefaultRoute)
        return 0;
    if (startsWithAny(name, { u"en", u"eth", u"wl" }))
        return 1;
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
        candidates.push_back({ interfacePriority(name, entry), entry.ipv4Address });
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
    const std::optional<QString> address = findLocalIPAddress();
    m_hasLocalIPAddress = address.has_value();
    setLocalIPAddress(address.value_or(tr("Aucune IP réseau")));
}
