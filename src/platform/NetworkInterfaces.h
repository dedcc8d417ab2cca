#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// One entry of the system's interface list.
struct NetworkInterfaceEntry {
    QByteArray name; // raw bytes, not necessarily UTF-8
    QString ipv4Address; // numeric form ("192.168.1.20"); empty for an entry of another family or none
    bool carriesDefaultRoute = false; // the IPv4 default route leaves through this interface
};

class NetworkInterfaces {
public:
    virtual ~NetworkInterfaces() = default;
    // Empty when the list cannot be fetched.
    virtual std::optional<std::vector<NetworkInterfaceEntry>> entries() = 0;
};
