#pragma once
// The line settings the connection dialog (and the main window's new-settings column) show and take:
// list positions in BaudRateTable and CommModeTable, the address as typed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "present/IntegerField.h"
#include "scan/ScanPlan.h"

struct LineChoice {
    int baudIndex = -1;  // -1: none chosen
    int modeIndex = -1;
    std::string address;

    friend bool operator==(const LineChoice&, const LineChoice&) = default;
};

// The factory settings, which Default shows.
LineChoice FactoryLineChoice();

// What the dialog shows for settings it is given: each value it cannot show is replaced by the factory
// one (a speed it does not offer, a parity and stop bits it does not know, an address outside 1-247).
LineChoice PreselectLine(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits,
                         std::uint8_t address);

// A controller's settings (what Find found) as the dialog shows them.
LineChoice LineChoiceOf(const ScanCandidate& settings);

// The address field's check, for every window that takes an address.
IntegerCheck CheckAddress(std::string_view text);

struct ChosenLine {
    std::uint32_t baudRate = 0;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t address = 0;
};

// What OK takes: the settings, or the address field's refusal. The lists always hold a choice.
std::variant<ChosenLine, FieldRefusal> TakeLine(const LineChoice& shown);

// The likeliest settings for Find to try first: what the dialog shows, when its address is one.
std::optional<ScanCandidate> FindGuess(const LineChoice& shown);

// The reply time field (ms beyond 10 ms a byte). Empty: the port's usual limit, a network gateway's
// measured round trip on top; a number is the whole time, as --reply-timeout gives it.
using ReplyTime = std::optional<std::uint32_t>;
std::variant<ReplyTime, FieldRefusal> TakeReplyTime(std::string_view text);
// What the field shows for `replyTime`: empty for none, or for one it would refuse.
std::string ReplyTimeText(ReplyTime replyTime);

// What the dialog explains beside its fields (as their tooltips), and the empty reply time field's cue.
inline constexpr std::string_view kReplyTimeCue = "50 (usual)";
inline constexpr std::string_view kReplyTimeTip =
    "How long a reply may take beyond 10 ms a byte, 10 to 10000 ms. Leave it empty for the usual 50 ms (a "
    "network gateway gets its measured round trip on top); give more for a radio modem, a long bus or an "
    "adapter with a high latency.";
inline constexpr std::string_view kEchoTip =
    "Tick it when the adapter hears its own transmission and sends back every request before the "
    "controller's reply, as many two-wire RS-485 adapters do (the Traffic window then shows each request "
    "twice). The echo is then read and checked before every reply from the start. Left unticked, the first "
    "echo met turns this on by itself and says so.";
inline constexpr std::string_view kRs485Tip =
    "Turns on the driver's RS-485 mode (RTS on while sending) for a UART that needs it to switch the line's "
    "direction (Linux). USB adapters switch by themselves and need none.";
inline constexpr std::string_view kFindTip =
    "Search every baud rate, parity/stop bits and address for the controller";
