// The real worker thread on a scripted slave and the steady clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "device/Ardeno.h"
#include "device/WorkerThread.h"
#include "tests/unit/device/RecordingListener.h"
#include "tests/unit/device/ScriptedSlave.h"

namespace {

using Events = std::vector<std::string>;

bool AllSixRead(const Events& events) {
    for (int id = 0; id < 6; ++id) {
        if (std::find(events.begin(), events.end(), "var " + std::to_string(id) + " ok") == events.end()) {
            return false;
        }
    }
    return true;
}

class WorkerTest : public ::testing::Test {
protected:
    WorkerTest() {
        slave.SetInput(2, 4711);
        slave.SetInput(0, 105);
        slave.SetHolding(33, 16);
        slave.SetHolding(34, 192);
        ardeno.AddListener(&listener);
    }

    ScriptedSlave slave;
    CArdeno ardeno{&slave};
    RecordingListener listener;
    CWorkerThread worker;  // stopped before the device goes
};

TEST_F(WorkerTest, StopDuringTheSleepEndsTheWorker) {
    ASSERT_TRUE(worker.Start(ardeno));
    ASSERT_TRUE(listener.WaitFor(AllSixRead));
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
}

TEST_F(WorkerTest, PortFailureIsReportedOnceAndNothingFollows) {
    ASSERT_TRUE(worker.Start(ardeno));
    ASSERT_TRUE(listener.WaitFor(AllSixRead));
    slave.BreakPort(0);
    ASSERT_TRUE(listener.WaitFor([](const Events& e) { return e.back() == "error 31"; }));
    const std::size_t seen = listener.Events().size();
    // Long enough for several polls had the worker gone on.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(listener.Events().size(), seen);
    EXPECT_EQ(ardeno.m_lastError, ERROR_GEN_FAILURE);
    EXPECT_TRUE(worker.Stop()) << "a halted worker still ends on request";
}

TEST_F(WorkerTest, NoWakeEventMeansNoWorker) {
    ardeno.m_wakeEvent.reset();
    EXPECT_FALSE(worker.Start(ardeno));
    EXPECT_TRUE(ardeno.m_stop);
    EXPECT_FALSE(worker.IsRunning());
}

// The user-interface side and the worker meet only at the device lock.
TEST_F(WorkerTest, UserInterfaceCallsRaceTheWorkerSafely) {
    ASSERT_TRUE(worker.Start(ardeno));
    std::thread ui([this] {
        RecordingListener transient;
        for (int round = 0; round < 400; ++round) {
            unsigned short model = 0;
            unsigned char address = 0;
            std::pair<int, int> version;
            (void)ardeno.GetModel(model);
            (void)ardeno.GetAddress(address);
            (void)ardeno.GetVersion(version);
            ardeno.AddListener(&transient);
            EXPECT_TRUE(ardeno.varAddressSet.Set(ardeno, static_cast<unsigned char>(1 + round % 200)));
            EXPECT_TRUE(ardeno.varBaudRateSet.Set(ardeno, 38400));
            ardeno.RemoveListener(&transient);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    ui.join();
    // The last values set are the ones that end up written (the two writes may land in either order).
    EXPECT_TRUE(listener.WaitFor(
        [this](const Events&) { return slave.Holding(33) == 1 + 399 % 200 && slave.Holding(34) == 384; }));
    EXPECT_TRUE(worker.Stop());
}

}  // namespace
