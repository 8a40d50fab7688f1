#include "sim/ControllerModel.h"

#include <modbus/modbus.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace sim {
namespace {

constexpr int kFirstHolding = kRegStatus;
constexpr int kHoldingCount = kRegMode - kRegStatus + 1;
constexpr int kInputCount = kRegModel + 1;

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::system_category(), what);
}

bool SendAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return true;
}

std::vector<std::uint8_t> ReceiveAvailable(int fd) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[MODBUS_RTU_MAX_ADU_LENGTH];
    for (;;) {
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return bytes;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

}  // namespace

ControllerModel::ControllerModel(const Config& config)
    : m_saveDuration(config.saveDuration),
      m_statusAfterSave(config.statusAfterSave),
      m_singleRegisterReads(config.singleRegisterReads),
      m_lineAddress(config.settings.address),
      m_lineBaudRate(std::uint32_t{config.settings.baudHundreds} * 100),
      m_saved(config.settings) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        ThrowErrno("socketpair");
    }
    m_libmodbusEnd = ends[0];
    m_ourEnd = ends[1];
    // The device name is never opened: libmodbus is given the socket instead of connecting.
    m_context = modbus_new_rtu("/dev/null", 19200, 'N', 8, 1);
    m_mapping = modbus_mapping_new_start_address(0, 0, 0, 0, kFirstHolding, kHoldingCount, 0, kInputCount);
    if (m_context == nullptr || m_mapping == nullptr) {
        const int error = errno;
        Release();
        throw std::system_error(error, std::system_category(), "libmodbus set-up");
    }
    modbus_set_socket(m_context, m_libmodbusEnd);
    modbus_set_slave(m_context, m_lineAddress);
    // Whole frames are handed over, so a frame libmodbus finds short is not worth waiting for.
    modbus_set_byte_timeout(m_context, 0, 20000);
    modbus_set_indication_timeout(m_context, 0, 20000);
    m_mapping->tab_input_registers[kRegFirmware] = config.firmware;
    m_mapping->tab_input_registers[kRegModel] = config.model;
    ApplySettings(config.settings);
    UpdateStatus();
}

ControllerModel::~ControllerModel() {
    Release();
}

void ControllerModel::Release() {
    if (m_mapping != nullptr) {
        modbus_mapping_free(m_mapping);
        m_mapping = nullptr;
    }
    if (m_context != nullptr) {
        modbus_free(m_context);
        m_context = nullptr;
    }
    for (int* fd : {&m_libmodbusEnd, &m_ourEnd}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

bool ControllerModel::Receive(std::span<const std::uint8_t> frame) {
    if (!SendAll(m_ourEnd, frame)) {
        return false;
    }
    m_request.resize(MODBUS_RTU_MAX_ADU_LENGTH);
    const int length = modbus_receive(m_context, m_request.data());
    DiscardUnread();
    if (length <= 0) {
        m_request.clear();
        return false;
    }
    m_request.resize(static_cast<std::size_t>(length));
    return true;
}

std::vector<std::uint8_t> ControllerModel::Reply(std::optional<std::uint8_t> exceptionCode) {
    UpdateStatus();
    if (const std::optional<std::uint8_t> refusal = exceptionCode ? exceptionCode : Refusal()) {
        modbus_reply_exception(m_context, m_request.data(), *refusal);
        return TakeReply();
    }
    const std::vector<Write> writes = WritesOf(m_request);

    std::vector<Write> before;
    for (const Write& write : writes) {
        if (const std::uint16_t* slot = Slot(Table::Holding, write.reg)) {
            before.push_back({write.reg, *slot});
        }
    }
    modbus_reply(m_context, m_request.data(), static_cast<int>(m_request.size()), m_mapping);
    for (const Write& old : before) {
        if (m_sticky.contains(old.reg) && old.reg != kRegStatus) {
            *Slot(Table::Holding, old.reg) = old.value;
        }
    }
    for (const Write& write : writes) {
        if (write.reg == kRegStatus) {
            m_saving = CurrentSettings();
            m_saveRunning = true;
            m_saveEnd = Clock::now() + m_saveDuration;
            ++m_saveCount;
        }
    }
    UpdateStatus();
    return TakeReply();
}

std::uint16_t ControllerModel::Register(Table table, std::uint16_t reg) {
    UpdateStatus();
    const std::uint16_t* slot = Slot(table, reg);
    return slot != nullptr ? *slot : 0;
}

void ControllerModel::SetRegister(Table table, std::uint16_t reg, std::uint16_t value) {
    if (table == Table::Holding && reg == kRegStatus) {
        m_idleStatus = value;
        UpdateStatus();
    } else if (std::uint16_t* slot = Slot(table, reg)) {
        *slot = value;
    }
}

CommSettings ControllerModel::SavedSettings() {
    UpdateStatus();
    return m_saved;
}

void ControllerModel::Restart() {
    UpdateStatus();
    m_saveRunning = false;
    m_lineAddress = m_saved.address;
    m_lineBaudRate = std::uint32_t{m_saved.baudHundreds} * 100;
    modbus_set_slave(m_context, m_lineAddress);
    ApplySettings(m_saved);
    UpdateStatus();
}

void ControllerModel::SwapForFreshUnit() {
    m_saved = CommSettings{};
    Restart();
}

void ControllerModel::SetSticky(std::uint16_t reg, bool sticky) {
    if (sticky) {
        m_sticky.insert(reg);
    } else {
        m_sticky.erase(reg);
    }
}

std::uint16_t* ControllerModel::Slot(Table table, std::uint16_t reg) {
    if (table == Table::Input) {
        return reg < kInputCount ? &m_mapping->tab_input_registers[reg] : nullptr;
    }
    const int index = reg - kFirstHolding;
    return index >= 0 && index < kHoldingCount ? &m_mapping->tab_registers[index] : nullptr;
}

std::vector<ControllerModel::Write> ControllerModel::WritesOf(std::span<const std::uint8_t> request) const {
    const auto word = [&](std::size_t at) {
        return static_cast<std::uint16_t>(request[at] << 8 | request[at + 1]);
    };
    std::vector<Write> writes;
    if (request.size() >= 8 && request[1] == MODBUS_FC_WRITE_SINGLE_REGISTER) {
        writes.push_back({word(2), word(4)});
    } else if (request.size() >= 9 && request[1] == MODBUS_FC_WRITE_MULTIPLE_REGISTERS) {
        const std::uint16_t first = word(2);
        const std::size_t count = std::min<std::size_t>(word(4), (request.size() - 9) / 2);
        for (std::size_t i = 0; i < count; ++i) {
            writes.push_back({static_cast<std::uint16_t>(first + i), word(7 + 2 * i)});
        }
    }
    return writes;
}

std::optional<std::uint8_t> ControllerModel::Refusal() const {
    const bool read = m_request.size() >= 8 && (m_request[1] == MODBUS_FC_READ_HOLDING_REGISTERS ||
                                                m_request[1] == MODBUS_FC_READ_INPUT_REGISTERS);
    if (read && m_singleRegisterReads && (m_request[4] << 8 | m_request[5]) > 1) {
        return MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS;
    }
    const std::vector<Write> writes = WritesOf(m_request);
    if (!std::all_of(writes.begin(), writes.end(), Acceptable)) {
        return MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
    }
    return std::nullopt;
}

bool ControllerModel::Acceptable(const Write& write) {
    switch (write.reg) {
        case kRegStatus:
            return write.value == kSaveCommand;
        case kRegAddress:
            return write.value >= 1 && write.value <= 247;
        case kRegBaud:
            return write.value == 96 || write.value == 192 || write.value == 384 || write.value == 576;
        case kRegMode:
            return write.value <= 3;
        default:
            return true;
    }
}

void ControllerModel::UpdateStatus() {
    if (m_saveRunning && !m_stuckSaving && Clock::now() >= m_saveEnd) {
        m_saveRunning = false;
        m_saved = m_saving;
        m_idleStatus = m_statusAfterSave.value_or(m_idleStatus);
    }
    *Slot(Table::Holding, kRegStatus) = m_saveRunning ? kStatusSaving : m_idleStatus;
}

CommSettings ControllerModel::CurrentSettings() {
    return {static_cast<std::uint8_t>(*Slot(Table::Holding, kRegAddress)), *Slot(Table::Holding, kRegBaud),
            *Slot(Table::Holding, kRegMode)};
}

void ControllerModel::ApplySettings(const CommSettings& settings) {
    *Slot(Table::Holding, kRegAddress) = settings.address;
    *Slot(Table::Holding, kRegBaud) = settings.baudHundreds;
    *Slot(Table::Holding, kRegMode) = settings.mode;
}

std::vector<std::uint8_t> ControllerModel::TakeReply() {
    const bool broadcast = m_request.front() == MODBUS_BROADCAST_ADDRESS;
    m_request.clear();
    std::vector<std::uint8_t> reply = ReceiveAvailable(m_ourEnd);
    if (broadcast) {
        reply.clear();  // a broadcast is carried out but never answered
    }
    return reply;
}

void ControllerModel::DiscardUnread() {
    std::uint8_t chunk[MODBUS_RTU_MAX_ADU_LENGTH];
    while (::recv(m_libmodbusEnd, chunk, sizeof chunk, MSG_DONTWAIT) > 0) {
    }
}

}  // namespace sim
