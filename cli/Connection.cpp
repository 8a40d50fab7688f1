#include "cli/Connection.h"

#include "cli/TraceOption.h"
#include "device/CommTables.h"
#include "platform/LastError.h"

CliConnection::~CliConnection() {
    m_worker.Stop();
    if (m_controller) {
        m_controller->RemoveListener(this);
    }
}

bool CliConnection::Open(const CliOptions& options) {
    m_options = options;
    const CommModeEntry& mode = CommModeTable.at(options.modeIndex);
    if (!StartTrace(options, m_trace) ||
        !m_port.Open(options.port, options.baudRate, mode.m_parity, mode.m_stopBits)) {
        return false;
    }
    m_port.m_address = options.address;
    m_modbus = std::make_unique<CModbus>(&m_port);
    if (m_trace) {
        m_modbus->SetFrameObserver(&m_trace->Observer());
    }
    m_slave = std::make_unique<CModbusSlave>(m_modbus.get(), m_port.m_address);
    m_controller = std::make_unique<CArdeno>(m_slave.get());
    m_controller->AddListener(this);
    return m_worker.Start(*m_controller);
}

void CliConnection::OnDeviceError(std::uint32_t errorCode) {
    m_events.Post({DeviceEvent::DeviceError, 0, false, errorCode});
}

void CliConnection::OnVarUpdated(int id, bool success) {
    // The worker calls this right after the operation, so the thread's last error still tells why it
    // failed.
    m_events.Post({DeviceEvent::VarUpdated, id, success, success ? 0 : platform::GetLastError()});
}
