#pragma once
// How a Modbus request and its reply are laid out on the line. The master (Modbus.h) knows only the
// protocol data unit (function code, then its data) and time; the framing around it, the slave's
// address and the frame check, belong to one framing, chosen when the master is made.
//
// Adding a framing takes one new file and one table entry: write modbus/<Name>Framing.cpp with a
// class that implements IFraming and a maker `std::unique_ptr<IFraming> Make<Name>Framing()`; add the
// file to modbus/CMakeLists.txt, a value to `Framing` (traffic/Frame.h, so that the tap's frames and a
// port's settings can name it), and the maker to the table in Framing.cpp.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "traffic/Frame.h"

using Framing = traffic::Framing;

// The longest frame any Modbus framing lays out.
inline constexpr std::size_t kMaxFrameBytes = 260;

inline constexpr std::uint8_t kWriteSingleRegister = 6;

// What the master asks of one slave, whatever carries it.
struct ModbusRequest {
    std::uint8_t address;
    std::uint8_t function;  // 3 or 4 (read registers) or kWriteSingleRegister
    std::uint16_t reg;      // the first register read, or the register written
    std::uint16_t countOrValue;
};

class IFraming {
public:
    virtual ~IFraming() = default;
    // Lays out `request` at the start of `frame` and returns how many bytes it took. The replies checked
    // afterwards answer this request.
    virtual std::size_t Encode(const ModbusRequest& request,
                               std::span<std::uint8_t, kMaxFrameBytes> frame) = 0;
    // The exact length of a whole reply to `request` that is not an exception.
    virtual std::size_t ReplyLength(const ModbusRequest& request) const = 0;
    // The length of a whole exception reply: the head of every reply, enough to tell one.
    virtual std::size_t ExceptionLength() const = 0;
    // True when `received`, the bytes so far, is a whole exception reply to `request`.
    virtual bool IsExceptionReply(const ModbusRequest& request,
                                  std::span<const std::uint8_t> received) const = 0;
    // What is wrong with a whole reply to `request`: the frame check, the slave, the function, the byte
    // count of a read, the echo of a write; Outcome::Late for a reply the framing can tell answers an
    // earlier request. Outcome::Ok when nothing is.
    virtual traffic::Outcome Check(const ModbusRequest& request,
                                   std::span<const std::uint8_t> reply) const = 0;
    // True when every reply names the request it answers (a transaction number): a late reply or a
    // repeated one can never pass for the next request's, so nothing need be heard out after a reply.
    virtual bool NumbersReplies() const = 0;
    // The protocol data unit inside a reply that checked (or is an exception reply): function code first.
    virtual std::span<const std::uint8_t> Pdu(std::span<const std::uint8_t> reply) const = 0;
};

std::unique_ptr<IFraming> MakeFraming(Framing framing);
