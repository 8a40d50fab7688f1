// The device variables and the controller's register map, driven directly on a scripted slave.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "device/Ardeno.h"
#include "tests/unit/device/DrivenClock.h"
#include "tests/unit/device/ScriptedSlave.h"

namespace {

class DeviceVarTest : public ::testing::Test {
protected:
    DrivenClock clock{1000};
    ScriptedSlave slave;
    CArdeno ardeno{&slave};

    bool Process(CModbusDeviceVar& var) { return var.Process(&slave, ardeno.m_lock); }
};

TEST_F(DeviceVarTest, ConstructionQueuesTheSixInputsNotValid) {
    const std::set<CModbusDeviceVar*> inputs{&ardeno.varModel,   &ardeno.varVersion,  &ardeno.varConfStatus,
                                             &ardeno.varAddress, &ardeno.varBaudRate, &ardeno.varCommMode};
    EXPECT_EQ(ardeno.m_queue, inputs);
    for (CModbusDeviceVar* var : inputs) {
        EXPECT_FALSE(var->m_valid);
        EXPECT_EQ(var->m_due, 1010u) << var->m_id;
        EXPECT_EQ(var->m_period, 1000u);
    }
    for (CModbusDeviceVar* var : {static_cast<CModbusDeviceVar*>(&ardeno.varConfCommand),
                                  static_cast<CModbusDeviceVar*>(&ardeno.varAddressSet),
                                  static_cast<CModbusDeviceVar*>(&ardeno.varBaudRateSet),
                                  static_cast<CModbusDeviceVar*>(&ardeno.varCommModeSet)}) {
        EXPECT_EQ(var->m_due, 1000u);
        EXPECT_EQ(var->m_period, 0u);
    }
}

TEST_F(DeviceVarTest, DueTimeStaysOnItsGrid) {
    struct Case {
        std::uint32_t period;
        std::uint64_t now;
        std::uint64_t expectedDue;
    };
    const Case cases[] = {
        {1000, 4000, 5000},  // served early (a first read from the back): unchanged
        {1000, 5000, 6000},  // served on time moves on one period
        {1000, 5001, 6000}, {1000, 5499, 6000}, {1000, 5500, 7000},
        {1000, 7300, 8000}, {0, 9999, 5000},  // a one-off write never moves
    };
    for (const Case& c : cases) {
        ardeno.varModel.m_period = c.period;
        ardeno.varModel.m_due = 5000;
        clock.Set(c.now);
        Process(ardeno.varModel);
        EXPECT_EQ(ardeno.varModel.m_due, c.expectedDue) << "period " << c.period << " at " << c.now;
    }
}

TEST_F(DeviceVarTest, InputConvertersDecideWhatIsAccepted) {
    using Getter = std::function<bool(CArdeno&, std::string&)>;
    const Getter model = [](CArdeno& a, std::string& text) {
        unsigned short v = 0;
        return a.GetModel(v) && (text = std::to_string(v), true);
    };
    const Getter version = [](CArdeno& a, std::string& text) {
        std::pair<int, int> v;
        return a.GetVersion(v) && (text = std::to_string(v.first) + "." + std::to_string(v.second), true);
    };
    const Getter status = [](CArdeno& a, std::string& text) {
        CArdeno::ECommConfStatus v{};
        return a.GetConfStatus(v) && (text = std::to_string(static_cast<unsigned>(v)), true);
    };
    const Getter address = [](CArdeno& a, std::string& text) {
        unsigned char v = 0;
        return a.GetAddress(v) && (text = std::to_string(v), true);
    };
    const Getter baud = [](CArdeno& a, std::string& text) {
        unsigned long v = 0;
        return a.GetBaudRate(v) && (text = std::to_string(v), true);
    };
    const Getter mode = [](CArdeno& a, std::string& text) {
        CArdeno::ECommModeSetting v{};
        return a.GetCommMode(v) && (text = std::to_string(static_cast<unsigned>(v)), true);
    };
    struct Case {
        bool inputRegister;
        std::uint16_t reg;
        std::uint16_t raw;
        const Getter* get;
        const char* expected;  // null: refused
    };
    const Case cases[] = {
        {true, 2, 0, &model, nullptr},        {true, 2, 4711, &model, "4711"},
        {true, 0, 0, &version, nullptr},      {true, 0, 105, &version, "1.5"},
        {true, 0, 1234, &version, "12.34"},   {false, 32, 0, &status, "0"},
        {false, 32, 1, &status, "1"},         {false, 32, 2, &status, "2"},
        {false, 32, 3, &status, nullptr},     {false, 33, 247, &address, "247"},
        {false, 33, 1, &address, "1"},        {false, 33, 0, &address, nullptr},
        {false, 33, 248, &address, nullptr},  {false, 33, 257, &address, nullptr},
        {false, 34, 96, &baud, "9600"},       {false, 34, 576, &baud, "57600"},
        {false, 34, 0, &baud, "0"},           {false, 34, 48, &baud, "4800"},
        {false, 34, 65535, &baud, "6553500"}, {false, 35, 3, &mode, "3"},
        {false, 35, 9, &mode, nullptr},
    };
    for (const Case& c : cases) {
        ScriptedSlave freshSlave;
        CArdeno fresh(&freshSlave);
        c.inputRegister ? freshSlave.SetInput(c.reg, c.raw) : freshSlave.SetHolding(c.reg, c.raw);
        for (CModbusDeviceVar* var : std::set<CModbusDeviceVar*>(fresh.m_queue)) {
            var->Process(&freshSlave, fresh.m_lock);
        }
        std::string text = "untouched";
        const bool accepted = (*c.get)(fresh, text);
        EXPECT_EQ(accepted, c.expected != nullptr) << "register " << c.reg << " raw " << c.raw;
        if (c.expected != nullptr) {
            EXPECT_EQ(text, c.expected) << "register " << c.reg << " raw " << c.raw;
        }
    }
}

TEST_F(DeviceVarTest, InputValidityFollowsReadsAndVerdicts) {
    unsigned char address = 0;

    slave.FailRegister(33, true);
    clock.ClobberLastError(true);
    EXPECT_FALSE(Process(ardeno.varAddress));
    EXPECT_EQ(platform::GetLastError(), ERROR_TIMEOUT) << "the failure's reason must survive Process";
    EXPECT_FALSE(ardeno.GetAddress(address));
    clock.ClobberLastError(false);
    slave.FailRegister(33, false);

    slave.SetHolding(33, 0);
    EXPECT_FALSE(Process(ardeno.varAddress)) << "an unknown value is a failed read";
    EXPECT_EQ(platform::GetLastError(), platform::UnknownValueError(0));
    EXPECT_FALSE(ardeno.varAddress.m_valid);
    EXPECT_FALSE(ardeno.GetAddress(address));

    slave.SetHolding(33, 16);
    EXPECT_TRUE(Process(ardeno.varAddress));
    ASSERT_TRUE(ardeno.GetAddress(address));
    EXPECT_EQ(address, 16);

    slave.SetHolding(33, 300);
    EXPECT_FALSE(Process(ardeno.varAddress));
    EXPECT_FALSE(ardeno.GetAddress(address));

    slave.SetHolding(33, 17);
    slave.FailRegister(33, true);
    EXPECT_FALSE(Process(ardeno.varAddress));
    EXPECT_FALSE(ardeno.GetAddress(address));
    slave.FailRegister(33, false);
    EXPECT_TRUE(Process(ardeno.varAddress));
    ASSERT_TRUE(ardeno.GetAddress(address));
    EXPECT_EQ(address, 17);
}

// While the line is unsettled a value counts only when two clean reads agree; a read with evidence counts
// for nothing.
TEST_F(DeviceVarTest, UnsettledValuesCountOnlyWhenASecondCleanReadAgrees) {
    struct Read {
        std::uint16_t raw;
        bool evidenceBefore;  // the line showed evidence since the previous read
        bool evidenceDuring;
        bool believed;
    };
    struct Case {
        const char* name;
        bool mustConfirm;
        std::vector<Read> reads;
    };
    const Case cases[] = {
        {"settled: the first clean read counts", false, {{17, false, false, true}}},
        {"settled: evidence during the read", false, {{17, false, true, false}, {17, false, false, true}}},
        {"unsettled: two agreeing reads", true, {{17, false, false, false}, {17, false, false, true}}},
        {"unsettled: reads that differ",
         true,
         {{17, false, false, false}, {18, false, false, false}, {18, false, false, true}}},
        {"unsettled: evidence between two clean reads",
         true,
         {{17, false, false, false}, {17, true, false, true}}},
        {"unsettled: a read with evidence counts for nothing",
         true,
         {{17, false, false, false}, {18, false, true, false}, {17, false, false, true}}},
        {"unsettled: nor is it a candidate",
         true,
         {{18, false, true, false}, {18, false, false, false}, {18, false, false, true}}},
    };
    for (const Case& c : cases) {
        ScriptedSlave freshSlave;
        CArdeno fresh(&freshSlave);
        fresh.varAddress.m_mustConfirm = c.mustConfirm;
        for (const Read& read : c.reads) {
            freshSlave.SetHolding(33, read.raw);
            freshSlave.m_evidence += read.evidenceBefore ? 1 : 0;
            freshSlave.m_bumpOnRead = read.evidenceDuring;
            fresh.varAddress.Process(&freshSlave, fresh.m_lock);
            unsigned char address = 0;
            EXPECT_EQ(fresh.GetAddress(address), read.believed) << c.name << ", raw " << read.raw;
            EXPECT_EQ(address, read.believed ? read.raw : 0) << c.name;
        }
    }
}

TEST_F(DeviceVarTest, BaudRateSetRefusesWhatTheRegisterCannotCarry) {
    struct Case {
        unsigned long baudRate;
        bool accepted;
        unsigned short raw;
    };
    const Case cases[] = {
        {57600, true, 576}, {9600, true, 96},    {6553500, true, 65535}, {100, true, 1},
        {9650, false, 0},   {6553600, false, 0}, {99, false, 0},
    };
    for (const Case& c : cases) {
        CArdeno fresh(&slave);
        fresh.m_queue.clear();
        EXPECT_EQ(fresh.varBaudRateSet.Set(fresh, c.baudRate), c.accepted) << c.baudRate;
        EXPECT_EQ(fresh.varBaudRateSet.m_raw, c.raw) << c.baudRate;
        EXPECT_EQ(fresh.m_queue.count(&fresh.varBaudRateSet), c.accepted ? 1u : 0u) << c.baudRate;
    }
}

TEST_F(DeviceVarTest, OutputsWriteTheirRawValueUntilAWriteSucceeds) {
    struct Case {
        std::function<bool(CArdeno&)> set;
        CModbusDeviceVar* var;
        const char* request;
    };
    const Case cases[] = {
        {[](CArdeno& a) { return a.varConfCommand.Set(a, CArdeno::CommandSave); }, &ardeno.varConfCommand,
         "W6 32=2371"},
        {[](CArdeno& a) { return a.varAddressSet.Set(a, 247); }, &ardeno.varAddressSet, "W6 33=247"},
        {[](CArdeno& a) { return a.varBaudRateSet.Set(a, 19200); }, &ardeno.varBaudRateSet, "W6 34=192"},
        {[](CArdeno& a) { return a.varCommModeSet.Set(a, CArdeno::ModeNone1Stop); }, &ardeno.varCommModeSet,
         "W6 35=3"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.set(ardeno));
        EXPECT_EQ(ardeno.m_queue.count(c.var), 1u);
        const std::uint16_t reg = c.var->m_register;
        slave.FailRegister(reg, true);
        EXPECT_FALSE(Process(*c.var));
        EXPECT_FALSE(c.var->m_valid);
        slave.FailRegister(reg, false);
        EXPECT_TRUE(Process(*c.var));
        EXPECT_TRUE(c.var->m_valid);
        EXPECT_EQ(slave.TakeLog(), (std::vector<std::string>{c.request, c.request}));
    }
    EXPECT_EQ(slave.Holding(32), 0x0943);
}

}  // namespace
