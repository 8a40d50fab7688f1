// The toolkit-free models behind the write, Find and commissioning dialogs: what they show and when a
// write ends, with no display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/Ardeno.h"
#include "platform/AppErrors.h"
#include "present/CommissionRun.h"
#include "present/FindProgress.h"
#include "present/WriteProgress.h"
#include "tests/unit/device/ScriptedSlave.h"

namespace {

DeviceEvent Update(int id, bool success, std::uint32_t error = 0) {
    return {DeviceEvent::VarUpdated, id, success, error};
}

// A refused write ends at once and names the exception; busy and lost replies leave it running.
TEST(WriteProgress, EndsAtOnceOnARefusalOnlyAndCancelEndsOnlyARunningWrite) {
    struct Case {
        const char* name;
        std::vector<DeviceEvent> events;
        WriteProgress::End end;
        const char* messagePart;
    };
    const Case cases[] = {
        {"refused",
         {Update(kVarAddressSet, false, platform::ModbusExceptionError(2))},
         WriteProgress::End::Refused,
         "exception 2 (illegal data address)"},
        {"busy",
         {Update(kVarAddressSet, false, platform::ModbusExceptionError(6))},
         WriteProgress::End::Running,
         ""},
        {"no reply", {Update(kVarAddressSet, false)}, WriteProgress::End::Running, ""},
    };
    for (const Case& c : cases) {
        ScriptedSlave slave;
        CArdeno controller(&slave);
        int changes = 0;
        WriteProgress progress(controller, {38400, 20, CArdeno::ModeOdd1Stop}, [&] { ++changes; });
        progress.Start();
        const std::string status = progress.StatusText();
        for (const DeviceEvent& event : c.events) {
            progress.OnUpdate(event);
        }
        EXPECT_EQ(progress.Ended(), c.end) << c.name;
        EXPECT_NE(progress.Message().find(c.messagePart), std::string::npos)
            << c.name << ": " << progress.Message();
        EXPECT_EQ(progress.CancelEnds(), c.end == WriteProgress::End::Running) << c.name;
        if (c.end != WriteProgress::End::Running) {
            // Once ended, later updates change nothing and tell nobody.
            const int told = changes;
            progress.OnUpdate(Update(kVarAddressSet, true));
            EXPECT_EQ(changes, told) << c.name;
            EXPECT_EQ(progress.StatusText(), status) << c.name;
        }
    }
}

TEST(FindProgress, ResultTextNamesWhatWasFoundOrWhatToCheck) {
    const FoundController plain{{{57600, 3}, 5}, std::nullopt, false, std::nullopt, false};
    const FoundController held{{{19200, 0}, 16}, ScanCandidate{{57600, 3}, 5}, true, 3102, false};
    struct Case {
        ScanResult::EOutcome outcome;
        const FoundController* found;
        const char* expected;  // the text's start
    };
    const Case cases[] = {
        {ScanResult::Found, &held, "Found ArdenoX 3102 at 57600 baud, None, 1 stop bit, address 5."},
        {ScanResult::Found, &plain, "Found the controller at 57600 baud, None, 1 stop bit, address 5."},
        {ScanResult::NothingAnswered, nullptr, "Nothing answered. "},
        {ScanResult::Cancelled, &held, ""},
        {ScanResult::PortFailed, nullptr, ""},
    };
    for (const Case& c : cases) {
        ScanResult result;
        result.outcome = c.outcome;
        if (c.found != nullptr) {
            result.found.push_back(*c.found);
        }
        const std::string text = FindResultText(result);
        EXPECT_TRUE(text.starts_with(c.expected)) << text;
        EXPECT_EQ(text.empty(), std::string(c.expected).empty()) << text;
    }
    ScanResult damaged;
    damaged.damagedAt = {{19200, 0}, {9600, 2}, {57600, 3}};
    EXPECT_TRUE(FindResultText(damaged).starts_with(
        "No valid reply. Damaged replies at 19200 baud, Even, 1 stop bit; 9600 baud, None, 2 stop bits and "
        "57600 baud, None, 1 stop bit: a controller may be there behind a bad line"))
        << FindResultText(damaged);
    EXPECT_EQ(FindProgressOf({7, 247, {{19200, 0}, 16}}).current,
              "Trying 19200 baud, Even, 1 stop bit, address 16");
}

TEST(CommissionRun, EndTextsSayWhereTheRunStoppedAndWhy) {
    struct Case {
        CommissionEnd end;
        const char* expected;
    };
    const Case cases[] = {
        {{CommissionEnd::Done, 0, 1, false, ""}, "1 unit done."},
        {{CommissionEnd::Done, 0, 3, false, ""}, "All 3 units done."},
        {{CommissionEnd::Stopped, 0, 2, true, ""}, "Stopped at unit 2."},
        {{CommissionEnd::Failed, kRecordNotKept, 2, false, ""}, "Stopped after unit 2: log full"},
        {{CommissionEnd::Failed, kNoFreeAddress, 1, true, "no free address left at or after 246"},
         "Stopped at unit 1: no free address left at or after 246"},
        {{CommissionEnd::Failed, 3, 1, true, "not done"}, "Stopped at unit 1: log full"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunEndText(c.end, "log full"), c.expected);
    }
    UnitRecord record;
    record.unit = 4;
    record.model = 3102;
    record.firmware = 205;
    record.verified = true;
    const auto cells = UnitRowCells(record);
    EXPECT_EQ((std::vector<std::string>{cells[0], cells[1], cells[2], cells[5]}),
              (std::vector<std::string>{"4", "3102", "2.5", "yes"}));
}

}  // namespace
