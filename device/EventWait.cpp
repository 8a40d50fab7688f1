#include "device/EventWait.h"

#include <algorithm>

#include "device/Refusals.h"

namespace {

constexpr std::chrono::milliseconds kStopCheck{100};

}  // namespace

EventWaitEnd WaitForEvents(DeviceEventQueue& queue, std::chrono::steady_clock::time_point deadline,
                           const EventWait& wait) {
    while (!wait.done || !wait.done()) {
        if (wait.stop && wait.stop()) {
            return {EventWaitEnd::Stopped, 0, {}};
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return {EventWaitEnd::TimedOut, 0, {}};
        }
        const auto event = queue.WaitUntil(std::min(deadline, now + kStopCheck));
        if (!event) {
            continue;
        }
        if (event->kind == DeviceEvent::DeviceError) {
            return {EventWaitEnd::PortFailed, event->errorCode, {}};
        }
        if (wait.refusals != nullptr) {
            if (std::string refusal = wait.refusals->StayingRefusal(*event); !refusal.empty()) {
                return {EventWaitEnd::Refused, event->errorCode, std::move(refusal)};
            }
        }
        if (wait.onEvent) {
            wait.onEvent(*event);
        }
    }
    return {EventWaitEnd::Done, 0, {}};
}

std::chrono::steady_clock::time_point DeadlineIn(double seconds) {
    return std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                  std::chrono::duration<double>(seconds));
}
