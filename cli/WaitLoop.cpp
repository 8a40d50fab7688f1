#include "cli/WaitLoop.h"

#include <algorithm>

#include "cli/Interrupt.h"
#include "log/LogService.h"

namespace {

constexpr std::chrono::milliseconds kInterruptCheck{100};

}  // namespace

WaitResult WaitForEvent(DeviceEventQueue& queue, std::chrono::steady_clock::time_point deadline,
                        DeviceEvent& event) {
    for (;;) {
        if (Interrupted()) {
            return WaitResult::Interrupted;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return WaitResult::TimedOut;
        }
        if (auto next = queue.WaitUntil(std::min(deadline, now + kInterruptCheck))) {
            event = *next;
            return WaitResult::Event;
        }
    }
}

void ReportPortFailure(std::uint32_t errorCode) {
    CLogService::Instance().ReportError(res::IDS_DEVICE_ERROR, errorCode);
}
