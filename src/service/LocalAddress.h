#pragma once

#include "platform/NetworkInterfaces.h"

#include <QString>
#include <optional>
#include <vector>

// The IPv4 address a phone on the same network most likely reaches this machine by; none without a usable one.
std::optional<QString> chooseLocalAddress(const std::vector<NetworkInterfaceEntry>& entries);
