#pragma once
// The main thread's wait for the worker's notifications, cut short by an interrupt.
#include <chrono>
#include <optional>

#include "device/DeviceEventQueue.h"

enum class WaitResult { Event, TimedOut, Interrupted };

// Waits for the next event until the deadline; interrupts are noticed within a tenth of a second.
WaitResult WaitForEvent(DeviceEventQueue& queue, std::chrono::steady_clock::time_point deadline,
                        DeviceEvent& event);

// Reports a port failure to the operator (stderr) the way the configuration window does.
void ReportPortFailure(std::uint32_t errorCode);
