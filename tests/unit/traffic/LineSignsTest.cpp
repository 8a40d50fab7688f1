// The line's signs, fed as the master's tap reports exchanges, and what they point to.
#include "traffic/LineSigns.h"

#include <gtest/gtest.h>

#include <vector>

namespace traffic {
namespace {

const std::vector<std::uint8_t> kRequest{0x10, 0x03, 0x00, 0x21, 0x00, 0x01, 0xD6, 0x8F};

// One exchange: the request, then what came back as the tap names it.
void Exchange(LineSigns& signs, Outcome outcome, std::vector<std::uint8_t> reply = {0x10, 0x03, 0x02}) {
    signs.OnFrame(MakeFrame(Direction::ToSlave, Outcome::Request, kRequest));
    if (outcome == Outcome::Timeout) {
        reply.clear();
    }
    signs.OnFrame(MakeFrame(Direction::FromSlave, outcome, reply, 7));
}

TEST(LineSigns, NameWhatTheLineDidFromWhatWasSeen) {
    const std::vector<std::uint8_t> echoed(kRequest.begin(), kRequest.begin() + 7);
    struct Case {
        const char* line;
        std::vector<Outcome> outcomes;
        LineDiagnosis diagnosis;
    };
    const Case cases[] = {
        {"all answered", {Outcome::Ok, Outcome::Ok}, LineDiagnosis::None},
        {"refusals are answers", {Outcome::Exception, Outcome::Ok}, LineDiagnosis::None},
        {"silent", {Outcome::Timeout, Outcome::Timeout}, LineDiagnosis::Silence},
        {"every reply broken",
         {Outcome::BadCrc, Outcome::Short, Outcome::Timeout},
         LineDiagnosis::AllDamaged},
        {"wrong count is damage", {Outcome::WrongCount}, LineDiagnosis::AllDamaged},
        {"one broken among good", {Outcome::Ok, Outcome::BadCrc, Outcome::Ok}, LineDiagnosis::SomeDamaged},
        {"another slave", {Outcome::BadCrc, Outcome::WrongAddress}, LineDiagnosis::OtherAddress},
        {"replies only after the wait", {Outcome::Timeout, Outcome::Late}, LineDiagnosis::Late},
        {"a late byte after good replies", {Outcome::Ok, Outcome::Late}, LineDiagnosis::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        LineSigns signs;
        for (Outcome outcome : c.outcomes) {
            Exchange(signs, outcome);
        }
        EXPECT_EQ(Diagnose(signs.Counts()), c.diagnosis);
    }
}

TEST(LineSigns, BytesRightAfterAGoodReplyAreDamageUnlessTheyCopyIt) {
    const std::vector<std::uint8_t> reply{0x10, 0x03, 0x02, 0x00, 0x10, 0x85, 0x89};
    struct Case {
        const char* line;
        std::vector<std::uint8_t> after;
        LineDiagnosis diagnosis;
    };
    const Case cases[] = {
        {"a floating bus's stray byte", {0x00}, LineDiagnosis::SomeDamaged},
        {"a repeater's copy", reply, LineDiagnosis::None},
        {"the start of a copy", {0x10, 0x03}, LineDiagnosis::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        LineSigns signs;
        Exchange(signs, Outcome::Ok, reply);
        signs.OnFrame(MakeFrame(Direction::FromSlave, Outcome::Late, c.after));
        EXPECT_EQ(Diagnose(signs.Counts()), c.diagnosis);
    }
}

TEST(LineSigns, AnEchoAloneIsNoReply) {
    LineSigns known;  // echo handling on: the master tapped the echo, then nothing came
    known.OnFrame(MakeFrame(Direction::ToSlave, Outcome::Request, kRequest));
    known.OnFrame(MakeFrame(Direction::FromSlave, Outcome::AdapterEcho, kRequest));
    known.OnFrame(MakeFrame(Direction::FromSlave, Outcome::Timeout, {}, 7));
    EXPECT_EQ(Diagnose(known.Counts()), LineDiagnosis::EchoOnly);

    LineSigns unknown;  // echo handling off: the request's own bytes were read as a broken reply
    Exchange(unknown, Outcome::BadCrc, {kRequest.begin(), kRequest.begin() + 7});
    EXPECT_EQ(unknown.Counts().echoOnly, 1u);
    EXPECT_EQ(Diagnose(unknown.Counts()), LineDiagnosis::EchoOnly);
}

TEST(LineSigns, AnotherSlaveIsNamed) {
    LineSigns signs;
    Exchange(signs, Outcome::WrongAddress, {0x05, 0x03, 0x02, 0x00, 0x10, 0x00, 0x00});
    EXPECT_EQ(signs.Counts().lastOtherAddress, 5);
    EXPECT_NE(LineHint(signs.Counts(), "Find").find("at address 5:"), std::string::npos);
}

}  // namespace
}  // namespace traffic
