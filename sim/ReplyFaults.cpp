#include "sim/ReplyFaults.h"

#include <algorithm>

#include "sim/RtuFrame.h"

namespace sim {

std::optional<ReplyFault> FaultList::Take(std::uint8_t function, std::uint16_t reg) {
    const auto matches = [&](const ReplyFault& fault) {
        return fault.times != 0 && (!fault.function || *fault.function == function) &&
               (!fault.reg || *fault.reg == reg);
    };
    const auto found = std::find_if(m_faults.begin(), m_faults.end(), matches);
    if (found == m_faults.end()) {
        return std::nullopt;
    }
    const ReplyFault taken = *found;
    if (found->times > 0 && --found->times == 0) {
        m_faults.erase(found);
    }
    return taken;
}

std::vector<std::uint8_t> Alter(std::vector<std::uint8_t> reply, FaultKind kind) {
    if (reply.size() < 4) {
        return reply;
    }
    switch (kind) {
        case FaultKind::BadCrc:
            reply.back() ^= 0xFF;
            break;
        case FaultKind::OtherAddress:
            reply[0] = static_cast<std::uint8_t>(reply[0] % 247 + 1);
            RewriteCrc(reply);
            break;
        case FaultKind::WrongEcho:
            reply[reply.size() - 3] ^= 0x01;
            RewriteCrc(reply);
            break;
        case FaultKind::ShortByOne:
            reply.pop_back();
            break;
        case FaultKind::LongByOne:
            reply.push_back(0x00);
            break;
        default:
            break;
    }
    return reply;
}

}  // namespace sim
