// Modbus RTU: the slave's address, the PDU, and the CRC-16 of both, low byte first. Replies carry no
// transaction number: a reply is matched to its request by address, function and what it must hold.
#include "modbus/Crc16.h"
#include "modbus/FrameWords.h"
#include "modbus/Framing.h"

namespace {

using frame_words::GetWord;
using frame_words::kExceptionFlag;
using frame_words::PutWord;

// Address, function, exception code, CRC.
constexpr std::size_t kExceptionLength = 5;
// The address before the PDU, the CRC after it.
constexpr std::size_t kAddressLength = 1;
constexpr std::size_t kCrcLength = 2;

std::uint16_t FrameCrc(std::span<const std::uint8_t> bytes) {
    uilib::core::CCrc16 crc(uilib::core::Crc16Modbus);
    crc.Update(bytes.data(), 1, static_cast<int>(bytes.size()));
    std::uint16_t value = 0;
    crc.GetHash(&value);
    return value;
}

// True when the last two bytes are the CRC of the others.
bool CrcHolds(std::span<const std::uint8_t> frame) {
    const std::size_t body = frame.size() - kCrcLength;
    return FrameCrc(frame.first(body)) == (frame[body] | frame[body + 1] << 8);
}

class CRtuFraming : public IFraming {
public:
    std::size_t Encode(const ModbusRequest& request, std::span<std::uint8_t, kMaxFrameBytes> frame) override {
        frame[0] = request.address;
        frame[1] = request.function;
        PutWord(&frame[2], request.reg);
        PutWord(&frame[4], request.countOrValue);
        const std::uint16_t crc = FrameCrc(frame.first(6));
        frame[6] = static_cast<std::uint8_t>(crc & 0xFF);
        frame[7] = static_cast<std::uint8_t>(crc >> 8);
        return 8;
    }

    std::size_t ReplyLength(const ModbusRequest& request) const override {
        // A write's reply echoes its request; a read's carries a byte count and the values.
        return request.function == kWriteSingleRegister ? 8 : 2 * std::size_t{request.countOrValue} + 5;
    }

    std::size_t ExceptionLength() const override { return kExceptionLength; }

    bool IsExceptionReply(const ModbusRequest& request,
                          std::span<const std::uint8_t> received) const override {
        return received.size() == kExceptionLength && received[0] == request.address &&
               received[1] == (request.function | kExceptionFlag) && CrcHolds(received);
    }

    traffic::Outcome Check(const ModbusRequest& request, std::span<const std::uint8_t> reply) const override {
        if (!CrcHolds(reply)) {
            return traffic::Outcome::BadCrc;
        }
        if (reply[0] != request.address) {
            return traffic::Outcome::WrongAddress;
        }
        if (reply[1] != request.function) {
            return traffic::Outcome::WrongFunction;
        }
        if (request.function == kWriteSingleRegister) {
            return GetWord(&reply[2]) == request.reg && GetWord(&reply[4]) == request.countOrValue
                       ? traffic::Outcome::Ok
                       : traffic::Outcome::WrongEcho;
        }
        return reply[2] == 2 * request.countOrValue ? traffic::Outcome::Ok : traffic::Outcome::WrongCount;
    }

    bool NumbersReplies() const override { return false; }

    std::span<const std::uint8_t> Pdu(std::span<const std::uint8_t> reply) const override {
        return reply.subspan(kAddressLength, reply.size() - kAddressLength - kCrcLength);
    }
};

}  // namespace

std::unique_ptr<IFraming> MakeRtuFraming() {
    return std::make_unique<CRtuFraming>();
}
