// The poll scheduler pass by pass, on a scripted slave and a driven clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/AppErrors.h"
#include "tests/unit/device/DrivenClock.h"
#include "tests/unit/device/RecordingListener.h"
#include "tests/unit/device/ScriptedSlave.h"
#include "tests/unit/device/SteppedArdeno.h"

namespace {

using Events = std::vector<std::string>;

Events Updates(std::initializer_list<int> ids, const char* verdict = "ok") {
    Events events;
    for (int id : ids) {
        events.push_back("var " + std::to_string(id) + " " + verdict);
    }
    return events;
}

class SchedulerTest : public ::testing::Test {
protected:
    SchedulerTest() {
        slave.SetInput(2, 4711);
        slave.SetInput(0, 105);
        slave.SetHolding(33, 16);
        slave.SetHolding(34, 192);
        ardeno.AddListener(&listener);
    }
    ~SchedulerTest() override { ardeno.RemoveListener(&listener); }

    // First reads from the back at 1000, then the first due reads at 1010.
    void PollUntilSteady() {
        ardeno.Pass();
        ardeno.Pass();
        clock.Set(1010);
        ardeno.Pass();
        slave.TakeLog();
        listener.TakeEvents();
    }

    DrivenClock clock{1000};
    ScriptedSlave slave;
    SteppedArdeno ardeno{&slave};
    RecordingListener listener;
};

TEST_F(SchedulerTest, WorkedExamplePassByPass) {
    ardeno.Pass();
    EXPECT_TRUE(listener.Events().empty());
    EXPECT_TRUE(ardeno.m_queue.empty());
    EXPECT_EQ(ardeno.ScheduleIds(), (std::vector<int>{0, 1, 2, 3, 4, 5})) << "drained in pointer order";

    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents(), Updates({5, 4, 3, 2, 1, 0})) << "pending ones come from the back";
    EXPECT_EQ(slave.TakeLog(), (Events{"R3 35", "R3 34", "R3 33", "R3 32", "R4 0", "R4 2"}));
    EXPECT_EQ(ardeno.ScheduleIds(), (std::vector<int>{5, 4, 3, 2, 1, 0}))
        << "equal due times keep insertion order";
    EXPECT_EQ(ardeno.varModel.m_due, 1010u);

    clock.Set(1010);
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents(), Updates({5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(slave.TakeLog().size(), 6u);
    EXPECT_EQ(ardeno.varCommMode.m_due, 2010u);

    clock.Set(1500);
    ardeno.Pass();
    EXPECT_TRUE(listener.TakeEvents().empty()) << "nothing is due";

    ASSERT_TRUE(ardeno.varAddressSet.Set(ardeno, 20));
    ardeno.Pass();
    EXPECT_TRUE(listener.TakeEvents().empty()) << "a request waits for the drain";
    EXPECT_EQ(ardeno.ScheduleIds().back(), 7);
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents(), Updates({7}));
    EXPECT_EQ(slave.TakeLog(), Events{"W6 33=20"});
    EXPECT_EQ(ardeno.ScheduleIds(), (std::vector<int>{5, 4, 3, 2, 1, 0})) << "a done write leaves";
}

TEST_F(SchedulerTest, AllPendingTakesTheFrontOnceItIsDue) {
    ardeno.Pass();
    clock.Set(1010);
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents(), Updates({0, 1, 2, 3, 4, 5}));
}

TEST_F(SchedulerTest, FailedWriteIsRetriedEveryPassWithTheLatestValue) {
    PollUntilSteady();
    slave.FailRegister(33, true);
    ASSERT_TRUE(ardeno.varAddressSet.Set(ardeno, 20));
    ardeno.Pass();  // drain
    for (int attempt = 0; attempt < 3; ++attempt) {
        ardeno.Pass();
        EXPECT_EQ(listener.TakeEvents(), Updates({7}, "failed")) << attempt;
    }
    ASSERT_TRUE(ardeno.varAddressSet.Set(ardeno, 21));
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents(), Updates({7}, "failed"));
    EXPECT_EQ(ardeno.ScheduleIds(), (std::vector<int>{5, 4, 3, 2, 1, 0, 7})) << "scheduled once";
    slave.FailRegister(33, false);
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents(), Updates({7}));
    EXPECT_EQ(slave.TakeLog(), (Events{"W6 33=20", "W6 33=20", "W6 33=20", "W6 33=21", "W6 33=21"}));
    EXPECT_EQ(ardeno.ScheduleIds().size(), 6u);
}

// A refusal is an answer: repeating it at once would only flood the line.
TEST_F(SchedulerTest, RefusedWriteWaitsAPollPeriodWhilePollingGoesOn) {
    PollUntilSteady();
    slave.FailRegister(32, true, platform::ModbusExceptionError(4));
    ASSERT_TRUE(ardeno.varConfCommand.Set(ardeno, CArdeno::CommandSave));
    ardeno.Pass();  // drain
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents(), Updates({6}, "failed"));
    clock.Set(1500);
    ardeno.Pass();
    EXPECT_EQ(slave.TakeLog(), Events{"W6 32=2371"}) << "held";
    clock.Set(2010);
    slave.FailRegister(32, false);
    ardeno.Pass();
    EXPECT_EQ(slave.TakeLog(), (Events{"R3 35", "R3 34", "R3 33", "R3 32", "R4 0", "R4 2", "W6 32=2371"}));
    EXPECT_EQ(ardeno.ScheduleIds().size(), 6u);
}

TEST_F(SchedulerTest, QueuedTwiceIsWrittenOnceWithTheSecondValue) {
    PollUntilSteady();
    ASSERT_TRUE(ardeno.varAddressSet.Set(ardeno, 20));
    ASSERT_TRUE(ardeno.varAddressSet.Set(ardeno, 30));
    ardeno.Pass();
    ardeno.Pass();
    ardeno.Pass();
    EXPECT_EQ(slave.TakeLog(), Events{"W6 33=30"});
}

TEST_F(SchedulerTest, QueueingAScheduledInputChangesNothing) {
    PollUntilSteady();
    ardeno.QueueVar(&ardeno.varModel);
    ardeno.Pass();
    ardeno.Pass();
    EXPECT_TRUE(ardeno.varModel.m_valid);
    EXPECT_EQ(ardeno.varModel.m_due, 2010u);
    EXPECT_TRUE(slave.TakeLog().empty());
}

TEST_F(SchedulerTest, PortFailureIsReportedOnceAndEndsPolling) {
    struct Case {
        std::uint32_t lastError;
        std::uint32_t reported;
    };
    for (const Case c : {Case{0, ERROR_GEN_FAILURE}, Case{5, 5}}) {
        ScriptedSlave brokenSlave;
        SteppedArdeno broken(&brokenSlave);
        RecordingListener errors;
        broken.AddListener(&errors);
        broken.Pass();
        brokenSlave.BreakPort(c.lastError);
        for (int pass = 0; pass < 3; ++pass) {
            broken.Pass();
        }
        EXPECT_EQ(errors.Events(), Events{"error " + std::to_string(c.reported)});
        EXPECT_EQ(broken.m_lastError, c.reported);
        EXPECT_EQ(brokenSlave.TakeLog().size(), 1u) << "nothing is processed after the failure";
        broken.RemoveListener(&errors);
    }
}

TEST_F(SchedulerTest, StopBeforeTheFirstPassTouchesNothing) {
    ardeno.m_stop = true;
    EXPECT_EQ(ardeno.Run(), 0u);
    EXPECT_EQ(ardeno.m_queue.size(), 6u);
    EXPECT_TRUE(ardeno.m_schedule.empty());
    EXPECT_TRUE(slave.TakeLog().empty());
}

TEST_F(SchedulerTest, StopDuringAnOperationEndsRunAfterItsNotification) {
    slave.OnOperation([this] { ardeno.m_stop = true; });
    EXPECT_EQ(ardeno.Run(), 0u);
    EXPECT_EQ(listener.Events(), Updates({5}));
    EXPECT_EQ(slave.TakeLog().size(), 1u);
}

TEST_F(SchedulerTest, ListenersAreNotifiedOnceEachAndNotAfterRemoval) {
    RecordingListener other;
    ardeno.AddListener(&other);
    ardeno.AddListener(&listener);
    ardeno.Pass();
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents().size(), 6u);
    EXPECT_EQ(other.TakeEvents().size(), 6u);
    ardeno.RemoveListener(&other);
    clock.Set(1010);
    ardeno.Pass();
    EXPECT_EQ(listener.TakeEvents().size(), 6u);
    EXPECT_TRUE(other.Events().empty());
}

}  // namespace
