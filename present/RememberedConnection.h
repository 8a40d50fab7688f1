#pragma once
// What the connection start-up remembers between runs, what it reads back, and what it offers after a
// write. The store itself (the per-user profile) belongs to the front end.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/WriteProcedure.h"
#include "traffic/Frame.h"

struct ConnectionChoice {
    std::string devicePath;  // UTF-8
    std::uint32_t baudRate = 0;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t address = 0;
    bool echo = false;  // the adapter echoes every request
    // The whole time a reply may take beyond 10 ms a byte; none: the port's usual limit.
    std::optional<std::uint32_t> replyTimeoutMs;
    bool rs485 = false;  // turn on the driver's RS-485 mode
    // Through a tcp:// gateway: how frames are laid out; empty: asked on connect.
    std::optional<traffic::Framing> framing{};
};

// The remembered settings as a front end keeps them: values by key in one section.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    // Empty when missing.
    virtual std::string Text(std::string_view key) = 0;
    // `missing` when the value is missing or does not read as a 32-bit integer.
    virtual std::int32_t Number(std::string_view key, std::int32_t missing) = 0;
    virtual void SetText(std::string_view key, const std::string& value) = 0;
    virtual void SetNumber(std::string_view key, std::int32_t value) = 0;
};

// The section the keys below live in.
inline constexpr std::string_view kConnectionSection = "Settings";

// The settings of the last port that opened. A missing or unreadable value reads as one the dialog
// cannot show, so that it shows its default there.
ConnectionChoice RememberedConnection(ISettingsStore& store);

// Remembers `choice`; called only once a port opened with it.
void RememberConnection(ISettingsStore& store, const ConnectionChoice& choice);

// What the dialog offers after a write: the settings written, on the same port. A written speed the
// dialog does not offer keeps the one in use, which it can show.
ConnectionChoice OfferWritten(ConnectionChoice remembered, const CommConfig& written);
