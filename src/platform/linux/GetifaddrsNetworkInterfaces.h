#pragma once

#include "platform/NetworkInterfaces.h"

#include <QByteArrayView>
#include <QSet>

// The interface list of getifaddrs, each entry marked when the kernel's IPv4 default route leaves through it.
class GetifaddrsNetworkInterfaces : public NetworkInterfaces {
public:
    std::optional<std::vector<NetworkInterfaceEntry>> entries() override;
};

// The interfaces named by the up default routes (destination and mask 0) of a /proc/net/route table.
QSet<QByteArray> defaultRouteInterfaces(QByteArrayView routeTable);
