#include "traffic/Decoder.h"

#include <fmt/format.h>

#include <algorithm>

#include "platform/AppErrors.h"

namespace traffic {
namespace {

constexpr std::uint8_t kReadHolding = 3;
constexpr std::uint8_t kReadInput = 4;
constexpr std::uint8_t kWriteSingle = 6;
constexpr std::uint8_t kExceptionFlag = 0x80;
constexpr std::uint16_t kSaveCommand = 2371;

std::uint16_t Word(const Frame& frame, std::size_t at) {
    return static_cast<std::uint16_t>(frame.bytes[at] << 8 | frame.bytes[at + 1]);
}

// The controller's name of a register; empty for registers it does not have.
std::string_view RegisterName(std::uint8_t function, std::uint16_t reg) {
    if (function == kReadInput) {
        return reg == 0 ? "version" : reg == 2 ? "model" : "";
    }
    switch (reg) {
        case 32:
            // Read, register 32 is the configuration status; written, it takes commands.
            return function == kWriteSingle ? "command" : "status";
        case 33:
            return "address";
        case 34:
            return "baud";
        case 35:
            return "mode";
        default:
            return "";
    }
}

std::string Named(std::uint8_t function, std::uint16_t reg) {
    const std::string_view name = RegisterName(function, reg);
    return name.empty() ? std::to_string(reg) : fmt::format("{} {}", reg, name);
}

std::string DescribeWrite(const Frame& frame) {
    const std::uint16_t reg = Word(frame, 2);
    const std::uint16_t value = Word(frame, 4);
    const bool save = reg == 32 && value == kSaveCommand;
    return fmt::format("write {} = {}{}", Named(kWriteSingle, reg), value, save ? " (save)" : "");
}

std::string DescribeRequest(const Frame& frame, std::uint8_t function) {
    if ((function == kReadHolding || function == kReadInput) && frame.length >= 6) {
        return fmt::format("read {} {} ({})", function == kReadInput ? "input" : "holding",
                           Named(function, Word(frame, 2)), Word(frame, 4));
    }
    if (function == kWriteSingle && frame.length >= 6) {
        return DescribeWrite(frame);
    }
    return "";
}

// frame.bytes laid out as on a serial line (address first); crcLength bytes end it.
std::string DescribeReply(const Frame& frame, std::uint8_t function, std::size_t crcLength) {
    if ((function & kExceptionFlag) != 0 && frame.length >= 3) {
        const std::uint8_t code = frame.bytes[2];
        const std::string name = platform::ModbusExceptionName(code);
        return fmt::format("exception {}{}{}", code, name.empty() ? "" : ": ", name);
    }
    if ((function == kReadHolding || function == kReadInput) && frame.length >= 3) {
        // The values the byte count announces, as far as they came.
        const std::size_t announced = frame.bytes[2] / 2;
        const std::size_t present = frame.length >= 3 + crcLength ? (frame.length - 3 - crcLength) / 2 : 0;
        std::string values;
        for (std::size_t k = 0; k < std::min(announced, present); ++k) {
            values += fmt::format("{}{}", k == 0 ? "" : ", ", Word(frame, 3 + 2 * k));
        }
        return "[" + values + "]";
    }
    if (function == kWriteSingle && frame.length >= 6) {
        return DescribeWrite(frame);
    }
    return "";
}

std::string SerialMeaning(const Frame& frame, std::size_t crcLength) {
    if (frame.length < 2) {
        return fmt::format("{} {}", frame.bytes[0], frame.direction == Direction::ToSlave ? "->" : "<-");
    }
    const std::uint8_t function = frame.bytes[1];
    const bool request = frame.direction == Direction::ToSlave;
    // An echo is the request come back: it reads as one.
    const bool asRequest = request || frame.outcome == Outcome::AdapterEcho;
    const std::string what =
        asRequest ? DescribeRequest(frame, function) : DescribeReply(frame, function, crcLength);
    return fmt::format("{} {} {:02X}{}{}", frame.bytes[0], request ? "->" : "<-", function,
                       what.empty() ? "" : " ", what);
}

// The unit and PDU after the MBAP header read as a serial frame without CRC, with the transaction
// number after them: it tells a late reply from the one awaited.
std::string MbapMeaning(const Frame& frame) {
    constexpr std::size_t kUnitOffset = 6;
    if (frame.length <= kUnitOffset) {
        return frame.direction == Direction::ToSlave ? "->" : "<-";
    }
    Frame unit = frame;
    unit.length = static_cast<std::uint16_t>(frame.length - kUnitOffset);
    std::copy(frame.bytes + kUnitOffset, frame.bytes + frame.length, unit.bytes);
    return fmt::format("{} #{}", SerialMeaning(unit, 0), Word(frame, 0));
}

}  // namespace

std::string Meaning(const Frame& frame) {
    if (frame.length == 0) {
        return "no reply";
    }
    return frame.framing == Framing::Mbap ? MbapMeaning(frame) : SerialMeaning(frame, 2);
}

std::string OutcomeText(const Frame& frame) {
    switch (frame.outcome) {
        case Outcome::Request:
            return "request";
        case Outcome::Reply:
            return "reply";
        case Outcome::Ok:
            return "ok";
        case Outcome::Timeout:
            return "time-out";
        case Outcome::Short:
            // The stand-in cannot always tell how long a request that stopped midway was meant to be.
            return frame.expected == 0 ? "short"
                                       : fmt::format("short: {} of {} bytes", frame.length, frame.expected);
        case Outcome::BadCrc:
            return frame.framing == Framing::Mbap ? "bad MBAP header" : "bad CRC";
        case Outcome::WrongAddress:
            return "wrong address";
        case Outcome::WrongFunction:
            return "wrong function";
        case Outcome::WrongCount:
            return "wrong byte count";
        case Outcome::WrongEcho:
            return "wrong echo";
        case Outcome::Exception:
            return "exception";
        case Outcome::Late:
            return "late, dropped";
        case Outcome::AdapterEcho:
            return "adapter echo";
        case Outcome::PortFailure:
            return "port failure";
    }
    return {};
}

std::string HexBytes(const Frame& frame) {
    std::string text;
    text.reserve(frame.length * 3);
    for (const std::uint8_t byte : frame.Bytes()) {
        text += fmt::format("{}{:02X}", text.empty() ? "" : " ", byte);
    }
    return text;
}

bool IsFailure(Outcome outcome) {
    // An adapter that hears itself is how that line works; only an echo that differs is a fault.
    return outcome != Outcome::Request && outcome != Outcome::Reply && outcome != Outcome::Ok &&
           outcome != Outcome::AdapterEcho;
}

std::string FormatLine(const Frame& frame, Clock::time_point origin) {
    const double seconds = std::chrono::duration<double>(frame.time - origin).count();
    std::string line = fmt::format("{:10.3f}  {:<44} {:<20} {}", seconds, Meaning(frame), OutcomeText(frame),
                                   HexBytes(frame));
    // A reply that never came has no bytes: no padding at the end of its line.
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

}  // namespace traffic
