#include <gtest/gtest.h>

#include <array>
#include <span>

#include "modbus/Framing.h"
#include "tests/unit/modbus/ReferenceCrc.h"

namespace {

using traffic::Outcome;

// A framing that has sent `requests` requests: its transaction number is now `requests`.
std::unique_ptr<IFraming> AfterRequests(int requests, const ModbusRequest& request) {
    std::unique_ptr<IFraming> mbap = MakeFraming(Framing::Mbap);
    std::array<std::uint8_t, kMaxFrameBytes> frame{};
    for (int k = 0; k < requests; ++k) {
        mbap->Encode(request, frame);
    }
    return mbap;
}

Bytes Encode(IFraming& framing, const ModbusRequest& request) {
    std::array<std::uint8_t, kMaxFrameBytes> frame{};
    return Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(framing.Encode(request, frame)));
}

TEST(MbapFraming, EachRequestGetsTheNextTransactionNumber) {
    std::unique_ptr<IFraming> mbap = MakeFraming(Framing::Mbap);
    EXPECT_EQ(Encode(*mbap, {16, 3, 34, 1}), Bytes({0, 1, 0, 0, 0, 6, 16, 3, 0, 34, 0, 1}));
    EXPECT_EQ(Encode(*mbap, {247, 6, 0xABCD, 0xFF01}),
              Bytes({0, 2, 0, 0, 0, 6, 247, 6, 0xAB, 0xCD, 0xFF, 0x01}));
    // The number wraps after 65535 requests.
    const std::unique_ptr<IFraming> wrapped = AfterRequests(65535, {1, 3, 0, 1});
    EXPECT_EQ(Encode(*wrapped, {1, 4, 0, 1}), Bytes({0, 0, 0, 0, 0, 6, 1, 4, 0, 0, 0, 1}));
}

TEST(MbapFraming, ReplyLengths) {
    const std::unique_ptr<IFraming> mbap = MakeFraming(Framing::Mbap);
    EXPECT_EQ(mbap->ReplyLength({5, 3, 0, 1}), 11u);
    EXPECT_EQ(mbap->ReplyLength({5, 4, 0, 125}), 259u);
    EXPECT_EQ(mbap->ReplyLength({5, 6, 0, 125}), 12u);
    EXPECT_EQ(mbap->ExceptionLength(), 9u);
}

TEST(MbapFraming, ReplyTakenOnlyWithItsOwnHeader) {
    const ModbusRequest read{16, 3, 34, 1};
    const ModbusRequest write{16, 6, 34, 384};
    // Three requests sent: transaction 3 is the one awaited.
    const std::unique_ptr<IFraming> mbap = AfterRequests(3, read);
    const struct {
        const char* name;
        ModbusRequest request;
        Bytes received;
        Outcome outcome;
    } cases[] = {
        {"matching read", read, {0, 3, 0, 0, 0, 5, 16, 3, 2, 0x01, 0x80}, Outcome::Ok},
        {"previous transaction", read, {0, 2, 0, 0, 0, 5, 16, 3, 2, 0x01, 0x80}, Outcome::Late},
        {"long ago", read, {0x80, 4, 0, 0, 0, 5, 16, 3, 2, 0x01, 0x80}, Outcome::Late},
        {"never sent", read, {0, 4, 0, 0, 0, 5, 16, 3, 2, 0x01, 0x80}, Outcome::BadCrc},
        {"protocol not 0", read, {0, 3, 0, 1, 0, 5, 16, 3, 2, 0x01, 0x80}, Outcome::BadCrc},
        {"length too long", read, {0, 3, 0, 0, 0, 6, 16, 3, 2, 0x01, 0x80}, Outcome::BadCrc},
        {"length too short", read, {0, 3, 0, 0, 0, 4, 16, 3, 2, 0x01, 0x80}, Outcome::BadCrc},
        {"other unit", read, {0, 3, 0, 0, 0, 5, 17, 3, 2, 0x01, 0x80}, Outcome::WrongAddress},
        {"other function", read, {0, 3, 0, 0, 0, 5, 16, 4, 2, 0x01, 0x80}, Outcome::WrongFunction},
        {"byte count disagrees", read, {0, 3, 0, 0, 0, 5, 16, 3, 4, 0x01, 0x80}, Outcome::WrongCount},
        {"write echoed", write, {0, 3, 0, 0, 0, 6, 16, 6, 0, 34, 0x01, 0x80}, Outcome::Ok},
        {"write echoes another value",
         write,
         {0, 3, 0, 0, 0, 6, 16, 6, 0, 34, 0x00, 0xC0},
         Outcome::WrongEcho},
        {"write echo of an earlier one", write, {0, 1, 0, 0, 0, 6, 16, 6, 0, 34, 0x01, 0x80}, Outcome::Late},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mbap->Check(c.request, c.received), c.outcome) << c.name;
    }
    EXPECT_EQ(Bytes(mbap->Pdu(cases[0].received).begin(), mbap->Pdu(cases[0].received).end()),
              Bytes({3, 2, 0x01, 0x80}));
}

TEST(MbapFraming, ExceptionReplyIsWholeAtNineBytes) {
    const ModbusRequest request{16, 3, 34, 1};
    const std::unique_ptr<IFraming> mbap = AfterRequests(1, request);
    const Bytes targetFailed{0, 1, 0, 0, 0, 3, 16, 0x83, 0x0B};
    const struct {
        const char* name;
        Bytes received;
        bool exception;
    } cases[] = {
        {"gateway's refusal", targetFailed, true},
        {"not all in yet", Bytes(targetFailed.begin(), targetFailed.end() - 1), false},
        {"earlier transaction", {0, 0, 0, 0, 0, 3, 16, 0x83, 0x0B}, false},
        {"other unit", {0, 1, 0, 0, 0, 3, 17, 0x83, 0x0B}, false},
        {"other function", {0, 1, 0, 0, 0, 3, 16, 0x84, 0x0B}, false},
        {"length disagrees", {0, 1, 0, 0, 0, 5, 16, 0x83, 0x0B}, false},
        {"a value reply's head", {0, 1, 0, 0, 0, 5, 16, 0x03, 0x02}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mbap->IsExceptionReply(request, c.received), c.exception) << c.name;
    }
    const std::span<const std::uint8_t> pdu = mbap->Pdu(targetFailed);
    EXPECT_EQ(Bytes(pdu.begin(), pdu.end()), Bytes({0x83, 0x0B}));
}

}  // namespace
