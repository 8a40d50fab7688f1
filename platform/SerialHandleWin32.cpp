#include <windows.h>

#include <string>

#include "platform/LastError.h"
#include "platform/SerialHandle.h"

namespace platform {
namespace {

// Driver-specific requests of the serial adapter, sent once after opening; their results do not matter.
constexpr DWORD kAdapterRequestFirst = 0x001B3FEC;
constexpr DWORD kAdapterRequestSecond = 0x001B3EFC;

// The write deadline: 11 bits a byte, twice over, at 1200 baud; plus a second for the driver.
constexpr DWORD kWriteMsPerByte = 2 * 11 * 1000 / 1200 + 1;
constexpr DWORD kWriteGraceMs = 1000;

std::wstring Widen(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// "COM10" and above open only by their device-namespace name, \\.\COM10, which every port has.
std::wstring DevicePath(const std::string& name) {
    return name.starts_with(R"(\\)") ? Widen(name) : LR"(\\.\)" + Widen(name);
}

}  // namespace

SerialHandle::~SerialHandle() {
    Close();
}

bool SerialHandle::IsNull() const {
    return m_native == nullptr;
}

bool SerialHandle::IsOpen() const {
    return m_native != nullptr && m_native != INVALID_HANDLE_VALUE;
}

bool SerialHandle::Open(const std::string& devicePath) {
    Close();
    m_interrupted = false;
    // Share mode 0: nobody else may open the port while this handle holds it.
    m_native = CreateFileW(DevicePath(devicePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    return IsOpen();
}

bool SerialHandle::Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits) {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    const BOOL haveState = GetCommState(m_native, &dcb);
    dcb.BaudRate = baudRate;
    dcb.ByteSize = 8;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    // The driver's fDtrControl, fRtsControl and fParity stay as found: an RS-485 adapter that switches
    // direction with RTS_CONTROL_TOGGLE, or draws power from DTR, must keep them. What follows is set
    // because binary frames would not pass otherwise.
    dcb.fBinary = TRUE;            // Windows supports binary mode only; no end-of-file character
    dcb.fOutX = FALSE;             // 0x11/0x13 in a frame are data, not XON/XOFF
    dcb.fInX = FALSE;              // the driver must not insert XON/XOFF into what the slave hears
    dcb.fTXContinueOnXoff = TRUE;  // no XOFF ever holds back sending
    dcb.fOutxCtsFlow = FALSE;      // a converter that leaves CTS low would hold every request back
    dcb.fOutxDsrFlow = FALSE;      // likewise DSR
    dcb.fDsrSensitivity = FALSE;   // bytes count whatever DSR says
    dcb.fNull = FALSE;             // 0x00 bytes are data and must not be dropped
    dcb.fErrorChar = FALSE;        // a byte with a parity error must not be replaced
    dcb.fAbortOnError = FALSE;     // one line error must not stop all further reads and writes
    return haveState && SetCommState(m_native, &dcb);
}

namespace {

bool ApplyTimeouts(void* native, const ReadTimeouts& timeouts) {
    COMMTIMEOUTS commTimeouts{};
    commTimeouts.ReadIntervalTimeout = timeouts.intervalMs;
    commTimeouts.ReadTotalTimeoutMultiplier = timeouts.totalPerByteMs;
    commTimeouts.ReadTotalTimeoutConstant = timeouts.totalConstantMs;
    // A port that cannot send (flow control, a stuck driver) fails the write instead of holding it:
    // twice the bytes' time at the slowest speed, plus a second.
    commTimeouts.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
    commTimeouts.WriteTotalTimeoutConstant = kWriteGraceMs;
    return SetCommTimeouts(native, &commTimeouts) != 0;
}

}  // namespace

bool SerialHandle::SetTimeouts(const ReadTimeouts& timeouts) {
    if (!ApplyTimeouts(m_native, timeouts)) {
        return false;
    }
    m_timeouts = timeouts;
    return true;
}

void SerialHandle::RequestLowLatency() {
    DWORD returned = 0;
    DWORD input = 3;
    if (DeviceIoControl(m_native, kAdapterRequestFirst, &input, sizeof(input), nullptr, 0, &returned,
                        nullptr)) {
        input = 0;
        DeviceIoControl(m_native, kAdapterRequestSecond, &input, sizeof(input), nullptr, 0, &returned,
                        nullptr);
    }
}

void SerialHandle::Purge() {
    PurgeComm(m_native, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

bool SerialHandle::EnableRs485() {
    // Windows drivers switch RS-485 direction themselves (or with RTS_CONTROL_TOGGLE): no such request.
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return false;
}

std::size_t SerialHandle::Waiting() const {
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(m_native, &errors, &status) ? status.cbInQue : 0;
}

bool SerialHandle::Write(const std::uint8_t* data, std::size_t size, std::size_t& written) {
    DWORD count = 0;
    const BOOL ok = WriteFile(m_native, data, static_cast<DWORD>(size), &count, nullptr);
    written = count;
    if (ok && written < size) {
        // The write time-out ran out: the port holds the bytes back.
        ::SetLastError(ERROR_TIMEOUT);
        return false;
    }
    return ok != 0;
}

bool SerialHandle::Read(std::uint8_t* data, std::size_t size, std::size_t& received) {
    received = 0;
    if (m_interrupted) {
        return true;  // as if its time had run out
    }
    DWORD count = 0;
    const BOOL ok = ReadFile(m_native, data, static_cast<DWORD>(size), &count, nullptr);
    received = count;
    if (!ok && ::GetLastError() == ERROR_OPERATION_ABORTED && m_interrupted) {
        return true;  // cut short by Interrupt
    }
    if (!ok) {
        // Clears a pending line error (framing, parity, overrun) so the next exchange starts afresh; the
        // read's own error stays the reason.
        const LastErrorKeeper keepError;
        DWORD lineErrors = 0;
        ClearCommError(m_native, &lineErrors, nullptr);
    }
    return ok != 0;
}

bool SerialHandle::Read(std::uint8_t* data, std::size_t size, std::size_t& received,
                        const ReadTimeouts& timeouts) {
    received = 0;
    if (!ApplyTimeouts(m_native, timeouts)) {
        return false;
    }
    const bool ok = Read(data, size, received);
    const DWORD readError = ::GetLastError();
    ApplyTimeouts(m_native, m_timeouts);
    ::SetLastError(readError);
    return ok;
}

void SerialHandle::Interrupt() {
    m_interrupted = true;
    // A read under way waits inside ReadFile on the worker's thread: cancelling the handle's I/O ends it.
    // One that starts after this sees the flag.
    if (IsOpen()) {
        CancelIoEx(m_native, nullptr);
    }
}

void SerialHandle::Close() {
    if (IsOpen()) {
        // Output the line cannot send must not hold the close.
        PurgeComm(m_native, PURGE_TXABORT | PURGE_TXCLEAR);
        CloseHandle(m_native);
        m_native = INVALID_HANDLE_VALUE;
    }
}

}  // namespace platform
