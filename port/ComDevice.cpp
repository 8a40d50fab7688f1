#include "port/ComDevice.h"

#include <fmt/format.h>

#include <algorithm>

#include "log/LogService.h"
#include "platform/AppErrors.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "port/NetworkPort.h"
#include "port/PortFactory.h"
#include "port/PortHint.h"
#include "res/Strings.h"

namespace {

constexpr std::uint32_t kPerByteMs = 10;
constexpr std::uint32_t kShortestPauseMs = 200;

// A stopped opening is no failure to report. A driver's refusal (EINVAL) would tell the operator
// nothing; the program's own reasons (a gateway's time limit or broken protocol, settings read back
// otherwise) do.
void ReportConfigFailure(const std::string& path, std::uint32_t code) {
    if (code == platform::kErrorInterrupted) {
        return;
    }
    if (platform::AppErrorText(code).empty()) {
        CLogService::Instance().Report(res::IDS_CONFIG_FAILED, true, path);
    } else {
        CLogService::Instance().ReportError(res::IDS_CONFIG_FAILED, code, path);
    }
}

}  // namespace

platform::ReadTimeouts ReadTimeoutsFor(std::uint32_t replyTimeoutMs) {
    return {std::max(kShortestPauseMs, replyTimeoutMs), kPerByteMs, replyTimeoutMs};
}

CComDevice::CComDevice() : m_port(MakePort({})) {}

// The port closes itself.
CComDevice::~CComDevice() = default;

bool CComDevice::OpenPort(const std::string& name) {
    m_port->Close();
    m_port = MakePort(name);
    if (m_openingLimitMs) {
        m_port->LimitOpening(*m_openingLimitMs);
    }
    m_port->StopOpeningOn(m_openingStop);
    if (!m_port->Open(name)) {
        return false;
    }
    SetNetworkAllowance(name);
    return true;
}

void CComDevice::UseFraming(std::optional<traffic::Framing> framing) {
    m_framing = framing;
    SetNetworkAllowance(m_devicePath);
}

void CComDevice::SetNetworkAllowance(const std::string& name) {
    const auto roundTripMs = m_port->RoundTripMs();
    if (!roundTripMs) {
        return;
    }
    const std::uint32_t gatewayMs = m_framing == traffic::Framing::Mbap ? port::kGatewaySerialWaitMs : 0;
    const std::uint32_t allowanceMs =
        m_networkAllowanceMs.value_or(port::NetworkAllowanceMs(*roundTripMs) + gatewayMs);
    m_port->SetNetworkAllowance(allowanceMs);
    platform::OutputDebugText(fmt::format("{}: network round trip {} ms; replies get {} ms more\n", name,
                                          *roundTripMs, allowanceMs));
}

bool CComDevice::Open(const std::string& devicePath, std::uint32_t baudRate, std::uint8_t parity,
                      std::uint8_t stopBits) {
    if (!OpenPort(devicePath)) {
        const std::uint32_t openError = platform::GetLastError();
        if (openError == platform::kErrorInterrupted) {
            return false;
        }
        CLogService::Instance().ReportErrorWithHint(res::IDS_OPEN_FAILED, openError,
                                                    OpenFailureHint(devicePath, openError), devicePath);
        return false;
    }
    if (!m_port->Configure(baudRate, parity, stopBits) ||
        !m_port->SetTimeouts(ReadTimeoutsFor(m_replyTimeoutMs))) {
        const std::uint32_t configError = platform::GetLastError();
        // Closed again at once, so that the next attempt finds the port free.
        m_port->Close();
        ReportConfigFailure(devicePath, configError);
        platform::SetLastError(configError);
        return false;
    }
    m_port->RequestLowLatency();
    m_devicePath = devicePath;
    return true;
}
