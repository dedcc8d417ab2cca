#pragma once

#include "platform/NetworkInterfaces.h"

class GetifaddrsNetworkInterfaces : public NetworkInterfaces {
public:
    std::optional<std::vector<NetworkInterfaceEntry>> entries() override;
};
