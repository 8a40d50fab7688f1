#include <algorithm>
#include <string_view>

#include "port/NetworkPort.h"

namespace port {

std::optional<NetworkProtocol> NetworkProtocolOf(const std::string& name) {
    if (name.starts_with(kRawPrefix)) {
        return NetworkProtocol::Raw;
    }
    if (name.starts_with(kRfc2217Prefix)) {
        return NetworkProtocol::Rfc2217;
    }
    return std::nullopt;
}

std::string WithModbusTcpPort(const std::string& name) {
    if (!name.starts_with(kRawPrefix) || name.size() == kRawPrefix.size()) {
        return name;
    }
    const std::string_view rest = std::string_view(name).substr(kRawPrefix.size());
    // A bracketed IPv6 address holds colons of its own.
    const bool hasPort = rest.starts_with('[') ? rest.find("]:") != std::string_view::npos
                                               : rest.find(':') != std::string_view::npos;
    return hasPort ? name : name + ":" + std::string(kModbusTcpPort);
}

std::uint32_t NetworkAllowanceMs(std::uint32_t roundTripMs) {
    return std::max(kNetworkAllowanceFloorMs, 3 * roundTripMs);
}

}  // namespace port
