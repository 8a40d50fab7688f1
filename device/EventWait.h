#pragma once
// The one wait for a connection's events, shared by every front end that drives a connection from its
// own thread (the command-line tool's commands, the commissioning bench): events are passed on until
// the waiter has what it waits for, the time is up, the port fails, a refusal stays, or a stop is asked.
// A stop (Ctrl-C, a Stop button) is a callback, looked at every tenth of a second.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "device/DeviceEventQueue.h"

class CRefusals;

struct EventWait {
    std::function<bool()> done{};                       // looked at before each wait; empty: never
    std::function<bool()> stop{};                       // empty: never
    std::function<void(const DeviceEvent&)> onEvent{};  // every update that ends nothing
    CRefusals* refusals = nullptr;                      // when set, a refusal that stays ends the wait
};

struct EventWaitEnd {
    enum EKind { Done, TimedOut, Stopped, PortFailed, Refused };
    EKind kind = Done;
    std::uint32_t error = 0;  // the port's error when PortFailed, the refused event's when Refused
    std::string refusal;      // the refusal's text when Refused
};

EventWaitEnd WaitForEvents(DeviceEventQueue& queue, std::chrono::steady_clock::time_point deadline,
                           const EventWait& wait);

// `seconds` from now, for a deadline.
std::chrono::steady_clock::time_point DeadlineIn(double seconds);
