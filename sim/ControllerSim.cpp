#include "sim/ControllerSim.h"

#include <algorithm>

#include "sim/ControllerSimImpl.h"
#include "sim/RtuFrame.h"

namespace sim {

ControllerSim::ControllerSim(Config config) : m_impl(std::make_unique<Impl>(std::move(config))) {}

ControllerSim::~ControllerSim() = default;

const std::string& ControllerSim::DevicePath() const {
    return m_impl->m_devicePath;
}

const std::string& ControllerSim::TerminalPath() const {
    return m_impl->m_terminal.ToolPath();
}

std::uint16_t ControllerSim::Register(Table table, std::uint16_t reg) const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.Register(table, reg);
}

void ControllerSim::SetRegister(Table table, std::uint16_t reg, std::uint16_t value) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.SetRegister(table, reg, value);
}

std::uint8_t ControllerSim::LineAddress() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.LineAddress();
}

CommSettings ControllerSim::SavedSettings() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.SavedSettings();
}

void ControllerSim::Restart() {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.Restart();
}

void ControllerSim::SwapForFreshUnit(std::uint16_t firmware) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.SetRegister(Table::Input, kRegFirmware, firmware);
    m_impl->m_model.SwapForFreshUnit();
}

std::uint16_t ControllerSim::Firmware() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.Register(Table::Input, kRegFirmware);
}

void ControllerSim::AddFault(const ReplyFault& fault) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_faults.Add(fault);
}

void ControllerSim::ClearFaults() {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_faults.Clear();
}

void ControllerSim::SetStickyRegister(std::uint16_t reg, bool sticky) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.SetSticky(reg, sticky);
}

void ControllerSim::SetStuckSaving(bool stuck) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.SetStuckSaving(stuck);
}

void ControllerSim::CloseLine() {
    m_impl->RequestCloseLine();
}

std::vector<std::uint8_t> ControllerSim::Answer(std::span<const std::uint8_t> request) {
    std::lock_guard lock(m_impl->m_mutex);
    ControllerModel& model = m_impl->m_model;
    if (request.empty() || request[0] != model.LineAddress() || !model.Receive(request)) {
        ++m_impl->m_ignored;
        return {};
    }
    const RequestRecord record = DescribeRequest(request);
    m_impl->m_requests.push_back(record);
    const std::optional<ReplyFault> fault = m_impl->m_faults.Take(record.function, record.reg);
    const bool refused = fault && fault->kind == FaultKind::Exception;
    std::vector<std::uint8_t> reply =
        model.Reply(refused ? std::optional(fault->exceptionCode) : std::nullopt);
    m_impl->m_changed.notify_all();
    return reply;
}

std::vector<RequestRecord> ControllerSim::Requests() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_requests;
}

std::size_t ControllerSim::RequestCount(std::uint8_t function) const {
    std::lock_guard lock(m_impl->m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_impl->m_requests.begin(), m_impl->m_requests.end(),
                      [&](const RequestRecord& r) { return r.function == function; }));
}

std::size_t ControllerSim::RequestCount(std::uint8_t function, std::uint16_t reg) const {
    std::lock_guard lock(m_impl->m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_impl->m_requests.begin(), m_impl->m_requests.end(),
                      [&](const RequestRecord& r) { return r.function == function && r.reg == reg; }));
}

std::size_t ControllerSim::SaveCommandCount() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.SaveCount();
}

std::size_t ControllerSim::IgnoredFrameCount() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_ignored;
}

void ControllerSim::ResetCounts() {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_requests.clear();
    m_impl->m_ignored = 0;
    m_impl->m_model.ResetSaveCount();
}

bool ControllerSim::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_impl->m_mutex);
    return m_impl->m_changed.wait_for(lock, timeout, [&] { return m_impl->m_requests.size() >= count; });
}

}  // namespace sim
