#pragma once
// The controller behind the line: its registers, held in a libmodbus mapping, the save of its
// communication settings, and the libmodbus RTU slave that judges requests and writes the replies.
// libmodbus talks over a socket pair, so the replies come back here instead of going onto the line.
// Not thread-safe: the owner serialises every call.
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "sim/ControllerSim.h"

typedef struct _modbus modbus_t;
typedef struct _modbus_mapping_t modbus_mapping_t;

namespace sim {

class ControllerModel {
public:
    using Clock = std::chrono::steady_clock;

    // Throws std::system_error when libmodbus or the socket pair cannot be set up.
    explicit ControllerModel(const Config& config);
    ControllerModel(const ControllerModel&) = delete;
    ControllerModel& operator=(const ControllerModel&) = delete;
    ~ControllerModel();

    // Passes one framed request to libmodbus. True when it is accepted: the controller's address or a
    // broadcast, and a valid CRC.
    bool Receive(std::span<const std::uint8_t> frame);
    // Carries out the accepted request and returns the reply (empty for a broadcast). With an exception
    // code, nothing is carried out and the reply is that exception.
    std::vector<std::uint8_t> Reply(std::optional<std::uint8_t> exceptionCode);

    std::uint16_t Register(Table table, std::uint16_t reg);
    void SetRegister(Table table, std::uint16_t reg, std::uint16_t value);

    std::uint8_t LineAddress() const { return m_lineAddress; }
    std::uint32_t LineBaudRate() const { return m_lineBaudRate; }
    CommSettings SavedSettings();
    void Restart();
    // Saved and running settings back to the factory's, as on a unit just unpacked.
    void SwapForFreshUnit();
    void SetSticky(std::uint16_t reg, bool sticky);
    void SetStuckSaving(bool stuck) { m_stuckSaving = stuck; }
    std::size_t SaveCount() const { return m_saveCount; }
    void ResetSaveCount() { m_saveCount = 0; }

private:
    struct Write {
        std::uint16_t reg;
        std::uint16_t value;
    };

    void Release();
    std::uint16_t* Slot(Table table, std::uint16_t reg);
    std::vector<Write> WritesOf(std::span<const std::uint8_t> request) const;
    static bool Acceptable(const Write& write);
    // The exception the controller answers the accepted request with by itself, if any.
    std::optional<std::uint8_t> Refusal() const;
    void UpdateStatus();
    CommSettings CurrentSettings();
    void ApplySettings(const CommSettings& settings);
    std::vector<std::uint8_t> TakeReply();
    void DiscardUnread();

    modbus_t* m_context = nullptr;
    modbus_mapping_t* m_mapping = nullptr;
    int m_libmodbusEnd = -1;  // libmodbus reads requests from and writes replies to this end
    int m_ourEnd = -1;
    std::vector<std::uint8_t> m_request;  // the accepted request, as libmodbus took it

    std::chrono::milliseconds m_saveDuration;
    std::optional<std::uint16_t> m_statusAfterSave;
    bool m_singleRegisterReads;
    std::uint8_t m_lineAddress;
    std::uint32_t m_lineBaudRate;  // the speed in effect: the saved one as of the last (re)start
    CommSettings m_saved;
    CommSettings m_saving;  // what the running save will store
    bool m_saveRunning = false;
    Clock::time_point m_saveEnd;
    bool m_stuckSaving = false;
    std::uint16_t m_idleStatus = kStatusIdle;
    std::set<std::uint16_t> m_sticky;
    std::size_t m_saveCount = 0;
};

}  // namespace sim
