#include "GetifaddrsNetworkInterfaces.h"

#include <ifaddrs.h>
#include <netdb.h>

std::optional<std::vector<NetworkInterfaceEntry>> GetifaddrsNetworkInterfaces::entries()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::vector<NetworkInterfaceEntry> result;
    for (const ifaddrs* item = list; item; item = item->ifa_next) {
        NetworkInterfaceEntry entry { QByteArray(item->ifa_name), {} };
        char host[NI_MAXHOST] = {};
        if (item->ifa_addr && item->ifa_addr->sa_family == AF_INET
            && getnameinfo(item->ifa_addr, sizeof(sockaddr_in), host, sizeof host, nullptr, 0, NI_NUMERICHOST) == 0)
            entry.ipv4Address = QString::fromLatin1(host);
        result.push_back(std::move(entry));
    }
    freeifaddrs(list);
    return result;
}
