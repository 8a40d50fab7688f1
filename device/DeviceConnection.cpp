#include "device/DeviceConnection.h"

#include "device/ControllerFacts.h"
#include "platform/LastError.h"
#include "port/PortHolders.h"

ConnectionRecipe RecipeOf(const CComDevice& port) {
    ConnectionRecipe recipe;
    recipe.port = port.m_devicePath;
    recipe.replyTimeoutMs = port.m_replyTimeoutMs;
    recipe.networkAllowanceMs = port.m_networkAllowanceMs;
    recipe.echo = port.m_echo;
    recipe.rs485 = port.m_rs485;
    recipe.framing = port.m_framing;
    recipe.openingLimitMs = port.m_openingLimitMs;
    return recipe;
}

CDeviceConnection::~CDeviceConnection() {
    m_worker.Stop();
    if (m_controller) {
        m_controller->RemoveListener(this);
    }
}

OpenStep CDeviceConnection::Open(const ConnectionRecipe& recipe, const DeviceSettings& settings) {
    const CommModeEntry& mode = CommModeTable.at(settings.modeIndex);
    m_port.m_replyTimeoutMs = recipe.replyTimeoutMs;
    m_port.m_networkAllowanceMs = recipe.networkAllowanceMs;
    m_port.m_openingLimitMs = recipe.openingLimitMs;
    m_port.m_openingStop = recipe.openingStop;
    m_port.m_echo = recipe.echo;
    m_port.m_rs485 = recipe.rs485;
    m_port.m_address = settings.address;
    if (!m_port.Open(recipe.port, settings.baudRate, mode.m_parity, mode.m_stopBits)) {
        return OpenStep::PortNotOpened;
    }
    if (recipe.rs485 && !m_port.Port().EnableRs485()) {
        return OpenStep::Rs485NotOn;
    }
    if (recipe.sharedPortNotice) {
        if (const std::string warning = SharedPortWarning(recipe.port); !warning.empty()) {
            recipe.sharedPortNotice(warning);
        }
    }
    if (recipe.framing) {
        m_port.UseFraming(*recipe.framing);
    } else if (NeedsGatewayProbe(m_port)) {
        m_probe = ProbeGateway(m_port, settings.address, recipe.trace);
        if (m_probe->portFailed) {
            return OpenStep::GatewayDropped;
        }
    }
    m_modbus = std::make_unique<CModbus>(&m_port, m_port.m_framing.value_or(traffic::Framing::Rtu));
    if (recipe.echo) {
        m_modbus->m_echo.TurnOn();
    }
    if (recipe.echoNotice) {
        m_modbus->m_echo.SetNotice(recipe.echoNotice);
    }
    if (recipe.trace != nullptr) {
        m_modbus->SetFrameObserver(recipe.trace);
    }
    m_slave = std::make_unique<CModbusSlave>(m_modbus.get(), m_port.m_address);
    m_controller = std::make_unique<CArdeno>(m_slave.get());
    m_controller->AddListener(this);
    return m_worker.Start(*m_controller) ? OpenStep::Opened : OpenStep::NotStarted;
}

void CDeviceConnection::OnDeviceError(std::uint32_t errorCode) {
    m_events.Post({DeviceEvent::DeviceError, 0, false, errorCode});
}

void CDeviceConnection::OnVarUpdated(int id, bool success) {
    // The worker calls this right after the operation, so the thread's last error still tells why it
    // failed.
    m_events.Post({DeviceEvent::VarUpdated, id, success, success ? 0 : platform::GetLastError()});
}
