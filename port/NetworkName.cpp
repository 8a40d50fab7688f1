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

std::uint32_t NetworkAllowanceMs(std::uint32_t roundTripMs) {
    return std::max(kNetworkAllowanceFloorMs, 3 * roundTripMs);
}

}  // namespace port
