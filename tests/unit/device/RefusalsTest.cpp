// The refusal decision every front end uses, and the one wait for a connection's events built on it.
#include "device/Refusals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/Ardeno.h"
#include "device/EventWait.h"
#include "platform/AppErrors.h"
#include "tests/unit/device/ScriptedSlave.h"

namespace {

DeviceEvent Refused(int id, std::uint8_t exception) {
    return {DeviceEvent::VarUpdated, id, false, platform::ModbusExceptionError(exception)};
}
DeviceEvent Answered(int id) {
    return {DeviceEvent::VarUpdated, id, true, 0};
}

TEST(Refusals, AWriteIsRefusedAtOnceAReadOnItsSecondRefusalBusyNever) {
    struct Case {
        const char* name;
        std::vector<DeviceEvent> events;
        const char* staying;  // the last event's refusal, empty when none
    };
    const Case cases[] = {
        {"write refused once",
         {Refused(kVarAddressSet, 2)},
         "the controller refused writing the new address (holding register 33): exception 2 (illegal data "
         "address)"},
        {"read refused once", {Refused(kVarModel, 2)}, ""},
        {"read refused twice",
         {Refused(kVarModel, 2), Refused(kVarModel, 2)},
         "the controller refused reading model (input register 2): exception 2 (illegal data address)"},
        {"read answered between refusals",
         {Refused(kVarModel, 2), Answered(kVarModel), Refused(kVarModel, 2)},
         ""},
        {"busy write", {Refused(kVarConfCommand, 6), Refused(kVarConfCommand, 6)}, ""},
        {"timeout is no refusal", {{DeviceEvent::VarUpdated, kVarAddressSet, false, 0}}, ""},
    };
    for (const Case& c : cases) {
        ScriptedSlave slave;
        CArdeno controller(&slave);
        CRefusals refusals(controller);
        std::string staying;
        for (const DeviceEvent& event : c.events) {
            staying = refusals.StayingRefusal(event);
        }
        EXPECT_EQ(staying, c.staying) << c.name;
    }
}

TEST(EventWait, EndsAtTheFirstEventThatEndsItAndPassesTheOthersOn) {
    struct Case {
        const char* name;
        std::vector<DeviceEvent> events;
        int doneAfter;  // passed events after which the waiter has what it waits for; -1: never
        bool stop;
        EventWaitEnd::EKind end;
        std::size_t passed;
    };
    const Case cases[] = {
        {"done", {Answered(kVarModel), Answered(kVarVersion)}, 2, false, EventWaitEnd::Done, 2},
        {"refused write",
         {Answered(kVarModel), Refused(kVarAddressSet, 3), Answered(kVarModel)},
         -1,
         false,
         EventWaitEnd::Refused,
         1},
        {"port failure",
         {{DeviceEvent::DeviceError, 0, false, 5}, Answered(kVarModel)},
         -1,
         false,
         EventWaitEnd::PortFailed,
         0},
        {"stop", {Answered(kVarModel)}, -1, true, EventWaitEnd::Stopped, 0},
        {"nothing more", {Answered(kVarModel)}, -1, false, EventWaitEnd::TimedOut, 1},
    };
    for (const Case& c : cases) {
        ScriptedSlave slave;
        CArdeno controller(&slave);
        CRefusals refusals(controller);
        DeviceEventQueue queue;
        for (const DeviceEvent& event : c.events) {
            queue.Post(event);
        }
        std::size_t passed = 0;
        const EventWaitEnd end = WaitForEvents(
            queue, DeadlineIn(0.3),
            {.done = [&] { return c.doneAfter >= 0 && passed >= static_cast<std::size_t>(c.doneAfter); },
             .stop = [&] { return c.stop; },
             .onEvent = [&](const DeviceEvent&) { ++passed; },
             .refusals = &refusals});
        EXPECT_EQ(end.kind, c.end) << c.name;
        EXPECT_EQ(passed, c.passed) << c.name;
        EXPECT_EQ(end.refusal.empty(), c.end != EventWaitEnd::Refused) << c.name;
    }
}

}  // namespace
