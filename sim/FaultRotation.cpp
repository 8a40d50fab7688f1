#include "sim/FaultRotation.h"

#include <array>

namespace sim {

FaultBurst FaultRotation::Next() {
    using std::chrono::milliseconds;
    const std::array<FaultBurst, 12> bursts{{
        {"3 replies 150 ms late", {.kind = FaultKind::LateReply, .delay = milliseconds(150), .times = 3}},
        {"2 replies 300 ms late", {.kind = FaultKind::LateReply, .delay = milliseconds(300), .times = 2}},
        {"a corrupted CRC", {.kind = FaultKind::BadCrc, .times = 1}},
        {"2 lost replies", {.kind = FaultKind::NoReply, .times = 2}},
        {"a reply one byte short", {.kind = FaultKind::ShortByOne, .times = 1}},
        {"a reply one byte long", {.kind = FaultKind::LongByOne, .times = 1}},
        {"a reply from another address", {.kind = FaultKind::OtherAddress, .times = 1}},
        {"a 300 ms pause inside a reply",
         {.kind = FaultKind::ByteGap, .delay = milliseconds(300), .gapAfter = 3, .times = 1}},
        {"2 replies 500 ms late", {.kind = FaultKind::LateReply, .delay = milliseconds(500), .times = 2}},
        {"4 replies sent twice, 10 ms apart",
         {.kind = FaultKind::Twice, .delay = milliseconds(10), .times = 4}},
        {"2 busy refusals", {.kind = FaultKind::Exception, .exceptionCode = 6, .times = 2}},
        {"5 replies copied 4 ms later, the line going on",
         {.kind = FaultKind::CopyLater, .delay = milliseconds(4), .times = 5}},
    }};
    const FaultBurst& burst = bursts[m_next];
    m_next = (m_next + 1) % bursts.size();
    return burst;
}

}  // namespace sim
