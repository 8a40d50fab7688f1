// Modbus TCP: the MBAP header (transaction number, protocol 0, the length of what follows, the unit)
// and the PDU, no CRC: TCP checks the bytes. Each request gets the next transaction number, and a reply
// counts only with its own: one with a number handed out earlier answers a request that has already
// failed, so it shows that the connection is out of step and is never taken for a value.
#include "modbus/FrameWords.h"
#include "modbus/Framing.h"

namespace {

using frame_words::GetWord;
using frame_words::kExceptionFlag;
using frame_words::PutWord;

// Transaction number, protocol, length, unit.
constexpr std::size_t kMbapHeaderLength = 7;
// The header's length field counts the unit and the PDU.
constexpr std::size_t kMbapUnitOffset = 6;
// Header, function, exception code.
constexpr std::size_t kMbapExceptionLength = kMbapHeaderLength + 2;

class CMbapFraming : public IFraming {
public:
    std::size_t Encode(const ModbusRequest& request, std::span<std::uint8_t, kMaxFrameBytes> frame) override {
        ++m_transaction;
        PutWord(&frame[0], m_transaction);
        PutWord(&frame[2], 0);
        PutWord(&frame[4], 6);
        frame[kMbapUnitOffset] = request.address;
        frame[7] = request.function;
        PutWord(&frame[8], request.reg);
        PutWord(&frame[10], request.countOrValue);
        return 12;
    }

    std::size_t ReplyLength(const ModbusRequest& request) const override {
        return kMbapHeaderLength +
               (request.function == kWriteSingleRegister ? 5 : 2 * std::size_t{request.countOrValue} + 2);
    }

    std::size_t ExceptionLength() const override { return kMbapExceptionLength; }

    bool IsExceptionReply(const ModbusRequest& request,
                          std::span<const std::uint8_t> received) const override {
        return received.size() == kMbapExceptionLength &&
               HeaderOutcome(request, received) == traffic::Outcome::Ok &&
               received[7] == (request.function | kExceptionFlag);
    }

    traffic::Outcome Check(const ModbusRequest& request, std::span<const std::uint8_t> reply) const override {
        if (const traffic::Outcome header = HeaderOutcome(request, reply); header != traffic::Outcome::Ok) {
            return header;
        }
        if (reply[7] != request.function) {
            return traffic::Outcome::WrongFunction;
        }
        if (request.function == kWriteSingleRegister) {
            return GetWord(&reply[8]) == request.reg && GetWord(&reply[10]) == request.countOrValue
                       ? traffic::Outcome::Ok
                       : traffic::Outcome::WrongEcho;
        }
        return reply[8] == 2 * request.countOrValue ? traffic::Outcome::Ok : traffic::Outcome::WrongCount;
    }

    bool NumbersReplies() const override { return true; }

    std::span<const std::uint8_t> Pdu(std::span<const std::uint8_t> reply) const override {
        return reply.subspan(kMbapHeaderLength);
    }

private:
    // The header of a reply of reply.size() bytes to the request sent last. A number handed out before
    // (within half the number space) marks a late reply; any other number, a protocol other than 0 or a
    // length that disagrees with the bytes is a damaged frame.
    traffic::Outcome HeaderOutcome(const ModbusRequest& request, std::span<const std::uint8_t> reply) const {
        const std::uint16_t transaction = GetWord(&reply[0]);
        if (transaction != m_transaction) {
            const auto age = static_cast<std::uint16_t>(m_transaction - transaction);
            return age < 0x8000 ? traffic::Outcome::Late : traffic::Outcome::BadCrc;
        }
        if (GetWord(&reply[2]) != 0 || GetWord(&reply[4]) != reply.size() - kMbapUnitOffset) {
            return traffic::Outcome::BadCrc;
        }
        return reply[kMbapUnitOffset] == request.address ? traffic::Outcome::Ok
                                                         : traffic::Outcome::WrongAddress;
    }

    std::uint16_t m_transaction = 0;
};

}  // namespace

std::unique_ptr<IFraming> MakeMbapFraming() {
    return std::make_unique<CMbapFraming>();
}
