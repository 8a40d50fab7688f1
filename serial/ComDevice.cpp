#include "serial/ComDevice.h"

#include "log/LogService.h"
#include "platform/LastError.h"
#include "res/Strings.h"
#include "serial/PortHint.h"

namespace {

// A read of N bytes ends after 50 + 10 * N ms, or 200 ms after a byte without the next one.
constexpr platform::ReadTimeouts kReadTimeouts{200, 10, 50};

}  // namespace

// The handle closes an open port itself.
CComDevice::~CComDevice() = default;

bool CComDevice::Open(const std::string& devicePath, std::uint32_t baudRate, std::uint8_t parity,
                      std::uint8_t stopBits) {
    if (!m_handle.Open(devicePath)) {
        const std::uint32_t openError = platform::GetLastError();
        CLogService::Instance().ReportErrorWithHint(res::IDS_OPEN_FAILED, openError,
                                                    OpenFailureHint(devicePath, openError), devicePath);
        return false;
    }
    if (!m_handle.Configure(baudRate, parity, stopBits) || !m_handle.SetTimeouts(kReadTimeouts)) {
        // Closed again at once, so that the next attempt finds the port free.
        m_handle.Close();
        CLogService::Instance().Report(res::IDS_CONFIG_FAILED, true, devicePath);
        return false;
    }
    m_handle.RequestLowLatency();
    m_devicePath = devicePath;
    return true;
}
