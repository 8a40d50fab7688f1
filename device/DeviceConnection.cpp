#include "device/DeviceConnection.h"

#include "device/ControllerFacts.h"
#include "platform/LastError.h"

CDeviceConnection::~CDeviceConnection() {
    m_worker.Stop();
    if (m_controller) {
        m_controller->RemoveListener(this);
    }
}

bool CDeviceConnection::OpenPort(const DeviceSettings& settings) {
    const CommModeEntry& mode = CommModeTable.at(settings.modeIndex);
    m_port.m_replyTimeoutMs = settings.replyTimeoutMs.value_or(CComDevice::kDefaultReplyTimeoutMs);
    if (settings.replyTimeoutMs) {
        m_port.m_networkAllowanceMs = 0;
    }
    m_port.m_address = settings.address;
    if (!m_port.Open(settings.port, settings.baudRate, mode.m_parity, mode.m_stopBits)) {
        return false;
    }
    m_modbus = std::make_unique<CModbus>(&m_port);
    return true;
}

bool CDeviceConnection::Start(bool echo, traffic::IFrameObserver* observer) {
    if (echo) {
        m_modbus->m_echo.TurnOn();
    }
    if (observer != nullptr) {
        m_modbus->SetFrameObserver(observer);
    }
    m_slave = std::make_unique<CModbusSlave>(m_modbus.get(), m_port.m_address);
    m_controller = std::make_unique<CArdeno>(m_slave.get());
    m_controller->AddListener(this);
    return m_worker.Start(*m_controller);
}

void CDeviceConnection::OnDeviceError(std::uint32_t errorCode) {
    m_events.Post({DeviceEvent::DeviceError, 0, false, errorCode});
}

void CDeviceConnection::OnVarUpdated(int id, bool success) {
    // The worker calls this right after the operation, so the thread's last error still tells why it
    // failed.
    m_events.Post({DeviceEvent::VarUpdated, id, success, success ? 0 : platform::GetLastError()});
}
