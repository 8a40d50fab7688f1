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
