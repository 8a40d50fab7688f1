#include "sim/ControllerSim.h"

namespace sim {

class ControllerSim::Impl {
public:
    explicit Impl(Config config) : m_config(std::move(config)) {}
    Config m_config;
    std::string m_path;
};

ControllerSim::ControllerSim(Config config) : m_impl(std::make_unique<Impl>(std::move(config))) {}
ControllerSim::~ControllerSim() = default;
const std::string& ControllerSim::DevicePath() const {
    return m_impl->m_path;
}
const std::string& ControllerSim::TerminalPath() const {
    return m_impl->m_path;
}
std::uint16_t ControllerSim::Register(Table, std::uint16_t) const {
    return 0;
}
void ControllerSim::SetRegister(Table, std::uint16_t, std::uint16_t) {}
std::uint8_t ControllerSim::LineAddress() const {
    return m_impl->m_config.settings.address;
}
CommSettings ControllerSim::SavedSettings() const {
    return m_impl->m_config.settings;
}
void ControllerSim::Restart() {}
void ControllerSim::AddFault(const ReplyFault&) {}
void ControllerSim::ClearFaults() {}
void ControllerSim::SetStickyRegister(std::uint16_t, bool) {}
void ControllerSim::SetStuckSaving(bool) {}
void ControllerSim::CloseLine() {}
std::vector<RequestRecord> ControllerSim::Requests() const {
    return {};
}
std::size_t ControllerSim::RequestCount(std::uint8_t) const {
    return 0;
}
std::size_t ControllerSim::RequestCount(std::uint8_t, std::uint16_t) const {
    return 0;
}
std::size_t ControllerSim::SaveCommandCount() const {
    return 0;
}
std::size_t ControllerSim::IgnoredFrameCount() const {
    return 0;
}
void ControllerSim::ResetCounts() {}
bool ControllerSim::WaitForRequests(std::size_t, std::chrono::milliseconds) const {
    return false;
}

}  // namespace sim
