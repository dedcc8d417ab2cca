#include "GetifaddrsNetworkInterfaces.h"

#include <cstring>
#include <ifaddrs.h>

std::optional<std::vector<NetworkInterfaceEntry>> GetifaddrsNetworkInterfaces::entries()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::vector<NetworkInterfaceEntry> result;
    for (const ifaddrs* item = list; item; item = item->ifa_next) {
        NetworkInterfaceEntry entry;
        entry.name = QByteArray(item->ifa_name);
        if (item->ifa_addr) {
            entry.addressFamily = item->ifa_addr->sa_family;
            if (item->ifa_addr->sa_family == AF_INET)
                std::memcpy(&entry.ipv4, item->ifa_addr, sizeof entry.ipv4);
        }
        result.push_back(std::move(entry));
    }
    freeifaddrs(list);
    return result;
}
