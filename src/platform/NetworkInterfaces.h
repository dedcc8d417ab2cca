#pragma once

#include <QByteArray>
#include <netinet/in.h>
#include <optional>
#include <vector>

// One entry of the system's interface list, as getifaddrs reports it.
struct NetworkInterfaceEntry {
    QByteArray name; // raw bytes, not necessarily UTF-8
    std::optional<int> addressFamily; // empty when the entry carries no address
    sockaddr_in ipv4 {}; // meaningful when addressFamily is AF_INET
};

class NetworkInterfaces {
public:
    virtual ~NetworkInterfaces() = default;
    // Empty when the list cannot be fetched.
    virtual std::optional<std::vector<NetworkInterfaceEntry>> entries() = 0;
};
