#pragma once
// Inside the stand-in: the state the public operations share with the line thread, and the line thread
// that frames requests, lets the controller model answer them and hands the replies to the sender.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/ControllerModel.h"
#include "sim/ControllerSim.h"
#include "sim/PseudoTerminal.h"
#include "sim/ReplyFaults.h"
#include "sim/ReplySender.h"
#include "sim/SimClock.h"

namespace sim {

class ControllerSim::Impl {
public:
    explicit Impl(Config config);
    ~Impl();

    // Everything below m_mutex is guarded by it; the line thread holds it only between frames.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    ControllerModel m_model;
    std::unique_ptr<ControllerModel> m_neighbour;  // when the configuration has one
    FaultList m_faults;
    std::vector<RequestRecord> m_requests;
    std::size_t m_ignored = 0;
    bool m_lineClosed = false;

    PseudoTerminal m_terminal;  // only the line thread touches it once started
    std::string m_linkPath;
    std::string m_devicePath;

    void RequestCloseLine();

private:
    void Run();
    void TakeFrames(std::vector<std::uint8_t>& pending, Clock::time_point lastByte);
    void Serve(std::span<const std::uint8_t> frame);
    bool Interrupted() const { return m_stop || m_closeRequested; }
    void Signal();
    void CloseLineNow();
    void MakeLink();

    int m_wakeFd = -1;
    traffic::IFrameObserver* m_lineTap;  // not owned; may be null
    const bool m_echo;                   // every request goes back to the tool before its reply
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closeRequested{false};
    ReplySender m_sender;
    std::thread m_thread;
};

}  // namespace sim
