#include "GetifaddrsNetworkInterfaces.h"

#include <QFile>
#include <ifaddrs.h>
#include <netdb.h>

namespace {
constexpr unsigned routeIsUp = 0x1; // RTF_UP
}

QSet<QByteArray> defaultRouteInterfaces(QByteArrayView routeTable)
{
    QSet<QByteArray> names;
    // Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...; the first line is the header.
    for (const QByteArray& line : routeTable.toByteArray().split('\n').mid(1)) {
        const QList<QByteArray> columns = line.simplified().split(' ');
        bool isNumber = false;
        if (columns.size() >= 8 && columns[1] == "00000000" && columns[7] == "00000000"
            && (columns[3].toUInt(&isNumber, 16) & routeIsUp) && isNumber)
            names.insert(columns[0]);
    }
    return names;
}

std::optional<std::vector<NetworkInterfaceEntry>> GetifaddrsNetworkInterfaces::entries()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    QFile routes(QStringLiteral("/proc/net/route"));
    const QSet<QByteArray> defaultRoutes
        = routes.open(QIODevice::ReadOnly) ? defaultRouteInterfaces(routes.readAll()) : QSet<QByteArray>();
    std::vector<NetworkInterfaceEntry> result;
    for (const ifaddrs* item = list; item; item = item->ifa_next) {
        NetworkInterfaceEntry entry { QByteArray(item->ifa_name), {}, defaultRoutes.contains(item->ifa_name) };
        char host[NI_MAXHOST] = {};
        if (item->ifa_addr && item->ifa_addr->sa_family == AF_INET
            && getnameinfo(item->ifa_addr, sizeof(sockaddr_in), host, sizeof host, nullptr, 0, NI_NUMERICHOST) == 0)
            entry.ipv4Address = QString::fromLatin1(host);
        result.push_back(std::move(entry));
    }
    freeifaddrs(list);
    return result;
}
