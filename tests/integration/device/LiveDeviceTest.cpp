// The controller model with its real worker thread on a real pseudo-terminal, against the stand-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "device/Ardeno.h"
#include "device/WorkerThread.h"
#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"
#include "tests/unit/device/RecordingListener.h"

namespace {

using Events = std::vector<std::string>;

bool Has(const Events& events, const std::string& event) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

// A line just opened is not yet known to be in step: each first value counts once a second read agrees.
bool AllSixRead(const Events& events) {
    for (int id = 0; id < 6; ++id) {
        if (std::count(events.begin(), events.end(), "var " + std::to_string(id) + " ok") < 2) {
            return false;
        }
    }
    return true;
}

class LiveDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(port.Open(controller.DevicePath(), 19200, 2, 0));
        ardeno.AddListener(&listener);
        ASSERT_TRUE(worker.Start(ardeno));
    }
    void TearDown() override {
        worker.Stop();
        ardeno.RemoveListener(&listener);
    }

    sim::ControllerSim controller;
    CComDevice port;
    CModbus modbus{&port};
    CModbusSlave slave{&modbus, 16};
    CArdeno ardeno{&slave};
    RecordingListener listener;
    CWorkerThread worker;
};

TEST_F(LiveDeviceTest, AllSixInputsBecomeValidWithTheControllersValues) {
    ASSERT_TRUE(listener.WaitFor(AllSixRead));
    unsigned short model = 0;
    std::pair<int, int> version;
    CArdeno::ECommConfStatus status{};
    unsigned char address = 0;
    unsigned long baudRate = 0;
    CArdeno::ECommModeSetting mode{};
    ASSERT_TRUE(ardeno.GetModel(model));
    ASSERT_TRUE(ardeno.GetVersion(version));
    ASSERT_TRUE(ardeno.GetConfStatus(status));
    ASSERT_TRUE(ardeno.GetAddress(address));
    ASSERT_TRUE(ardeno.GetBaudRate(baudRate));
    ASSERT_TRUE(ardeno.GetCommMode(mode));
    EXPECT_EQ(model, controller.Register(sim::Table::Input, sim::kRegModel));
    EXPECT_EQ(version, (std::pair<int, int>{2, 5}));
    EXPECT_EQ(status, CArdeno::StatusIdle);
    EXPECT_EQ(address, 16);
    EXPECT_EQ(baudRate, 19200u);
    EXPECT_EQ(mode, CArdeno::ModeEven1Stop);
}

TEST_F(LiveDeviceTest, WritesReachTheControllersRegisters) {
    ASSERT_TRUE(listener.WaitFor(AllSixRead));
    ASSERT_TRUE(ardeno.varAddressSet.Set(ardeno, 20));
    ASSERT_TRUE(ardeno.varBaudRateSet.Set(ardeno, 38400));
    ASSERT_TRUE(ardeno.varCommModeSet.Set(ardeno, CArdeno::ModeNone2Stop));
    ASSERT_TRUE(listener.WaitFor(
        [](const Events& e) { return Has(e, "var 7 ok") && Has(e, "var 8 ok") && Has(e, "var 9 ok"); }));
    EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegAddress), 20);
    EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegBaud), 384);
    EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegMode), 2);
}

TEST_F(LiveDeviceTest, AFailedExchangeIsReportedAndPollingGoesOn) {
    ASSERT_TRUE(listener.WaitFor(AllSixRead));
    controller.AddFault({.kind = sim::FaultKind::NoReply, .reg = sim::kRegAddress, .times = 1});
    ASSERT_TRUE(listener.WaitFor([](const Events& e) { return Has(e, "var 3 failed"); }));
    listener.TakeEvents();
    ASSERT_TRUE(listener.WaitFor([](const Events& e) { return Has(e, "var 3 ok"); }));
    EXPECT_EQ(ardeno.m_lastError, 0u);
}

TEST_F(LiveDeviceTest, TheLineGoingAwayGivesOneDeviceError) {
    ASSERT_TRUE(listener.WaitFor(AllSixRead));
    controller.CloseLine();
    ASSERT_TRUE(listener.WaitFor([](const Events& e) { return e.back().rfind("error ", 0) == 0; }));
    // Long enough for a further poll of every variable had the worker gone on.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const Events events = listener.Events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.rfind("error ", 0) == 0; }),
              1);
    EXPECT_EQ(events.back().rfind("error ", 0), 0u) << "nothing after the error";
    EXPECT_NE(ardeno.m_lastError, 0u);
}

TEST_F(LiveDeviceTest, AStopWhilePollingEndsTheWorker) {
    ASSERT_TRUE(listener.WaitFor(AllSixRead));
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
}

}  // namespace
