#include "device/ControllerStack.h"

CControllerStack::CControllerStack(CComDevice& port, traffic::IFrameObserver* frames)
    : m_transport(&port, port.m_framing.value_or(traffic::Framing::Rtu)),
      m_slave(&m_transport, port.m_address),
      m_controller(&m_slave) {
    m_transport.SetFrameObserver(frames);
    if (port.m_echo) {
        m_transport.m_echo.TurnOn();
    }
}
