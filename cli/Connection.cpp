#include "cli/Connection.h"

#include "cli/Messages.h"
#include "cli/TraceOption.h"
#include "device/CommTables.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/SystemText.h"

CliConnection::~CliConnection() {
    m_worker.Stop();
    if (m_controller) {
        m_controller->RemoveListener(this);
    }
}

bool CliConnection::Open(const CliOptions& options) {
    m_options = options;
    const CommModeEntry& mode = CommModeTable.at(options.modeIndex);
    m_port.m_replyTimeoutMs = options.replyTimeoutMs.value_or(CComDevice::kDefaultReplyTimeoutMs);
    // A reply time given by the operator is the whole time, network included.
    if (options.replyTimeoutMs) {
        m_port.m_networkAllowanceMs = 0;
    }
    if (!StartTrace(options, m_trace) ||
        !m_port.Open(options.port, options.baudRate, mode.m_parity, mode.m_stopBits) ||
        (options.rs485 && !EnableRs485(options.port))) {
        return false;
    }
    m_port.m_address = options.address;
    m_modbus = std::make_unique<CModbus>(&m_port);
    if (options.echo) {
        m_modbus->m_echo.TurnOn();
    }
    m_modbus->m_echo.SetNotice([] { PrintNote(CAdapterEcho::kNoticeText); });
    if (m_trace) {
        m_modbus->SetFrameObserver(&m_trace->Observer());
    }
    m_slave = std::make_unique<CModbusSlave>(m_modbus.get(), m_port.m_address);
    m_controller = std::make_unique<CArdeno>(m_slave.get());
    m_controller->AddListener(this);
    return m_worker.Start(*m_controller);
}

bool CliConnection::EnableRs485(const std::string& port) {
    if (m_port.Port().EnableRs485()) {
        return true;
    }
    const std::uint32_t code = platform::GetLastError();
    if (code == platform::kErrorNoRs485) {
        PrintError(port +
                   ": the port's driver has no RS-485 mode; leave out --rs485 (an adapter that "
                   "switches direction by itself needs none)");
    } else {
        std::string text = platform::SystemErrorText(code);
        text.erase(text.find_last_not_of(" \r\n.") + 1);
        PrintError(port + ": the RS-485 mode could not be turned on: " + text);
    }
    return false;
}

void CliConnection::OnDeviceError(std::uint32_t errorCode) {
    m_events.Post({DeviceEvent::DeviceError, 0, false, errorCode});
}

void CliConnection::OnVarUpdated(int id, bool success) {
    // The worker calls this right after the operation, so the thread's last error still tells why it
    // failed.
    m_events.Post({DeviceEvent::VarUpdated, id, success, success ? 0 : platform::GetLastError()});
}
