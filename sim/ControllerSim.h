#pragma once
// The controller stand-in: answers as an ArdenoX controller on a pseudo-terminal, so that the tool (or
// any Modbus RTU master) can open the device path and talk to it as to the real controller.
//
// How it works. One line thread owns the controller's end of a pseudo-terminal pair and also keeps a
// descriptor of the tool's end open, so that the line survives the tool closing and reopening the port.
// The thread frames each request by its function code, drops frames for other addresses (so that the
// libmodbus slave never goes into its bus-sniffing mode of skipping the "other slave's" reply), and hands
// the frame to a libmodbus RTU slave context whose descriptor is one end of a socket pair. libmodbus
// checks the CRC and builds the reply (or exception) from its register mapping; the thread reads that
// reply from the other end of the socket pair and passes it through the fault layer onto the line.
// libmodbus stays the independent judge of requests and author of replies, while every reply byte can
// still be altered, delayed or withheld.
//
// Register map. Input registers 0 (firmware version, 205 = "2.5") and 2 (model number); holding
// registers 32 (status on read: 0 idle, 1 saving, 2 another status that is not saving; command on write:
// 2371 = save), 33 (slave address), 34 (baud rate in hundreds: writes take 96, 192, 384, 576, while
// SetRegister may put any value there for reading), 35 (parity/stop-bit mode 0..3). A write of a value the
// controller cannot take (another command, an address outside 1..247, another baud rate, a mode above
// 3) gets the exception "illegal data value" and changes nothing. Written settings read back at once;
// the save command makes the status read 1 for the save duration and stores them when it ends; they
// take effect on the line (the address and speed the stand-in answers on) only after Restart(). It
// answers only while the tool's end of the line is set to the speed in effect (see LineSpeed.h).
//
// Thread safety: every public operation may be called from any thread while the line thread runs.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "traffic/Frame.h"

namespace sim {

inline constexpr std::uint16_t kRegFirmware = 0;  // input register
inline constexpr std::uint16_t kRegModel = 2;     // input register
inline constexpr std::uint16_t kRegStatus = 32;   // holding: status on read, command on write
inline constexpr std::uint16_t kRegAddress = 33;  // holding
inline constexpr std::uint16_t kRegBaud = 34;     // holding, baud rate / 100
inline constexpr std::uint16_t kRegMode = 35;     // holding
inline constexpr std::uint16_t kSaveCommand = 2371;
inline constexpr std::uint16_t kStatusIdle = 0;
inline constexpr std::uint16_t kStatusSaving = 1;
inline constexpr std::uint16_t kStatusOther = 2;  // valid, not saving; the tool knows no more of it

enum class Table { Input, Holding };

// A time drawn at random, evenly, from [low, high] for each reply; zero by default.
struct DelayRange {
    std::chrono::microseconds low{0};
    std::chrono::microseconds high{0};
};

// The controller's communication settings as held in holding registers 33 to 35.
struct CommSettings {
    std::uint8_t address = 16;
    std::uint16_t baudHundreds = 192;
    std::uint16_t mode = 0;

    friend bool operator==(const CommSettings&, const CommSettings&) = default;
};

struct Config {
    CommSettings settings;  // the stored settings; the stand-in answers on settings.address
    std::uint16_t firmware = 205;
    std::uint16_t model = 3102;
    std::chrono::milliseconds saveDuration{300};
    // The status register 32 reads once a save has ended (until SetRegister sets another); empty: the
    // status it read before the save.
    std::optional<std::uint16_t> statusAfterSave;
    std::string linkPath;  // if set, a symlink to the device path is made here (replacing a stale one)
    // Told every frame the line thread reads and every write it makes, on that thread; not owned.
    traffic::IFrameObserver* lineTap = nullptr;
    // Refuses a read of more than one register with exception 2 (illegal data address), as a controller
    // that answers only one register per request does.
    bool singleRegisterReads = false;
    // Every request comes back to the tool before its reply, as through an adapter that hears itself.
    bool echo = false;
    // Another controller already on the line at this address, with the stand-in's model and firmware;
    // it answers at whatever speed the line runs.
    std::optional<std::uint8_t> neighbour;
    // Every reply waits a time drawn from this range before it goes out, as a slow controller's does.
    DelayRange latency;
    // This share (0 to 1) of replies is sent once more a time drawn from copyDelay later, without
    // holding the line: a repeater, or a second unit at the same address.
    double copyShare = 0;
    DelayRange copyDelay;
};

enum class FaultKind {
    NoReply,       // the request is carried out, the reply is lost
    LateReply,     // the reply goes out after `delay`
    ByteGap,       // `gapAfter` bytes, a pause of `delay`, then the rest
    BadCrc,        // the last CRC byte is inverted
    OtherAddress,  // the reply carries the next slave address (CRC valid)
    Exception,     // an exception reply with `exceptionCode`; the request is not carried out
    WrongEcho,     // the last byte before the CRC has its low bit flipped (CRC valid)
    ShortByOne,    // the last byte is missing
    LongByOne,     // one extra byte (0x00) follows the reply
    Twice,         // the reply, a pause of `delay`, and the same reply again (a retransmitting repeater)
    CopyLater,     // the reply, and the same reply again `delay` later while the line goes on
};

// A fault applied to replies. It matches requests by function code and first register when those are
// given; each reply takes the first matching fault that has uses left.
struct ReplyFault {
    FaultKind kind = FaultKind::NoReply;
    std::chrono::milliseconds delay{0};
    std::size_t gapAfter = 1;
    std::uint8_t exceptionCode = 4;  // server device failure
    std::optional<std::uint8_t> function{};
    std::optional<std::uint16_t> reg{};
    int times = -1;  // replies it affects; negative: until cleared
};

// One request the controller accepted (its address, a valid CRC). For reads `value` is the register
// count, for single writes the value written, for multiple writes the count.
struct RequestRecord {
    std::uint8_t function = 0;
    std::uint16_t reg = 0;
    std::uint16_t value = 0;

    friend bool operator==(const RequestRecord&, const RequestRecord&) = default;
};

class ControllerSim {
public:
    // Opens the pseudo-terminal and starts answering. Throws std::system_error when it cannot.
    explicit ControllerSim(Config config = {});
    ControllerSim(const ControllerSim&) = delete;
    ControllerSim& operator=(const ControllerSim&) = delete;
    // Stops the line thread and closes the line (the link, if any, is removed).
    ~ControllerSim();

    // The path the tool opens: the link if one was asked for, otherwise the pseudo-terminal's own name.
    const std::string& DevicePath() const;
    // The pseudo-terminal's own name (/dev/pts/N).
    const std::string& TerminalPath() const;

    // Direct register access, bypassing the line; nothing is counted. Reading register 32 gives the
    // current status; writing it sets the status shown whenever no save runs. Unmapped registers read 0
    // and ignore writes.
    std::uint16_t Register(Table table, std::uint16_t reg) const;
    void SetRegister(Table table, std::uint16_t reg, std::uint16_t value);

    // The address the stand-in answers on, and the settings the last completed save stored.
    std::uint8_t LineAddress() const;
    CommSettings SavedSettings() const;
    // As after a power cycle: the saved settings take effect and read back; a running save is lost.
    void Restart();
    // Another unit takes this one's place: factory-fresh (address 16, 19200 baud, even parity) with
    // this firmware version. Returns once it answers.
    void SwapForFreshUnit(std::uint16_t firmware);
    std::uint16_t Firmware() const;

    // Faults.
    void AddFault(const ReplyFault& fault);
    void ClearFaults();
    // A write to this holding register is echoed but the register keeps its old value.
    void SetStickyRegister(std::uint16_t reg, bool sticky);
    // Once a save has started the status keeps reading 1 (and nothing is stored) until this is cleared.
    void SetStuckSaving(bool stuck);
    // The line goes away: the controller's end closes, the device node disappears, and the tool's poll
    // wakes with POLLHUP. Returns once that has happened. The stand-in answers no more.
    void CloseLine();

    // The controller's reply (RTU, with CRC) to a request that came other than over its line, from a
    // network front end (see TcpFront.h): whatever the line's speed, with the faults that refuse
    // (exceptions); the others shape the line's timing and are left to it. Empty when the request is
    // not for the controller (another address, a broadcast, a bad CRC).
    std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> request);

    // What reached the controller.
    std::vector<RequestRecord> Requests() const;
    std::size_t RequestCount(std::uint8_t function) const;
    std::size_t RequestCount(std::uint8_t function, std::uint16_t reg) const;
    // Save commands accepted (2371 written to register 32).
    std::size_t SaveCommandCount() const;
    // Frames not for the controller: other addresses, bad CRC, noise.
    std::size_t IgnoredFrameCount() const;
    void ResetCounts();
    // Waits until at least `count` requests have been accepted since the last reset. False on time-out.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace sim
