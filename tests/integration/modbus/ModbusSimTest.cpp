// The Modbus master against the controller stand-in, an independent Modbus implementation on a real
// pseudo-terminal: values byte for byte, each fault's verdict, the time-outs and the line going away.
#include <gtest/gtest.h>

#include <chrono>

#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"

namespace {

using namespace std::chrono_literals;
using sim::FaultKind;
using sim::Table;

constexpr std::uint16_t kUntouched = 0xDEAD;

class ModbusSim : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_port.Open(m_sim.DevicePath(), 19200, 2, 0)); }

    std::uint16_t m_value = kUntouched;
    sim::ControllerSim m_sim;
    CComDevice m_port;
    CModbus m_modbus{&m_port};
    CModbusSlave m_slave{&m_modbus, m_sim.LineAddress()};
};

TEST_F(ModbusSim, ReadsReturnTheControllersValues) {
    struct Case {
        Table table;
        std::uint16_t reg;
        std::uint16_t value;
    };
    const Case cases[] = {
        {Table::Input, sim::kRegFirmware, 0xBEEF}, {Table::Input, sim::kRegModel, 0x0001},
        {Table::Holding, sim::kRegAddress, 247},   {Table::Holding, sim::kRegBaud, 576},
        {Table::Holding, sim::kRegMode, 3},        {Table::Holding, sim::kRegStatus, 0x8001}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reg);
        m_sim.SetRegister(c.table, c.reg, c.value);
        m_value = kUntouched;
        const bool ok = c.table == Table::Input ? m_slave.ReadInputRegisters(c.reg, 1, &m_value)
                                                : m_slave.ReadHoldingRegisters(c.reg, 1, &m_value);
        EXPECT_TRUE(ok) << platform::GetLastError();
        EXPECT_EQ(m_value, c.value);
    }
    std::uint16_t settings[3] = {};
    m_sim.SetRegister(Table::Holding, sim::kRegAddress, 16);
    EXPECT_TRUE(m_slave.ReadHoldingRegisters(sim::kRegAddress, 3, settings));
    EXPECT_EQ(settings[0], 16);
    EXPECT_EQ(settings[1], 576);
    EXPECT_EQ(settings[2], 3);
}

TEST_F(ModbusSim, WritesReachTheController) {
    EXPECT_TRUE(m_slave.WriteRegister(sim::kRegBaud, 384)) << platform::GetLastError();
    EXPECT_EQ(m_sim.Register(Table::Holding, sim::kRegBaud), 384);
    const std::uint16_t settings[] = {33, 96, 2};
    EXPECT_TRUE(m_slave.WriteRegisters(sim::kRegAddress, 3, settings)) << platform::GetLastError();
    EXPECT_EQ(m_sim.Requests(), (std::vector<sim::RequestRecord>{{6, sim::kRegBaud, 384},
                                                                 {6, sim::kRegAddress, 33},
                                                                 {6, sim::kRegBaud, 96},
                                                                 {6, sim::kRegMode, 2}}));
    EXPECT_EQ(m_sim.Register(Table::Holding, sim::kRegAddress), 33);
    EXPECT_EQ(m_sim.Register(Table::Holding, sim::kRegMode), 2);
}

TEST_F(ModbusSim, EachFaultGetsItsVerdict) {
    struct Case {
        const char* name;
        sim::ReplyFault fault;
        bool write;           // a single write instead of a one-register read
        std::uint32_t error;  // ERROR_SUCCESS: the operation succeeds
    };
    const Case cases[] = {
        {"no reply", {.kind = FaultKind::NoReply}, false, ERROR_TIMEOUT},
        {"exception reply", {.kind = FaultKind::Exception}, false, platform::ModbusExceptionError(4)},
        {"exception to a write",
         {.kind = FaultKind::Exception, .exceptionCode = 2},
         true,
         platform::ModbusExceptionError(2)},
        {"corrupted CRC", {.kind = FaultKind::BadCrc}, false, ERROR_CRC},
        {"other slave address", {.kind = FaultKind::OtherAddress}, false, ERROR_CRC},
        {"wrong echo", {.kind = FaultKind::WrongEcho}, true, ERROR_CRC},
        {"one byte short", {.kind = FaultKind::ShortByOne}, false, ERROR_TIMEOUT},
        {"one byte long", {.kind = FaultKind::LongByOne}, false, ERROR_SUCCESS},
        {"reply 60 ms late", {.kind = FaultKind::LateReply, .delay = 60ms}, false, ERROR_SUCCESS},
        {"reply 150 ms late", {.kind = FaultKind::LateReply, .delay = 150ms}, false, ERROR_TIMEOUT},
        {"reply 250 ms late", {.kind = FaultKind::LateReply, .delay = 250ms}, false, ERROR_TIMEOUT},
    };
    m_sim.SetRegister(Table::Holding, sim::kRegMode, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.ClearFaults();
        auto fault = c.fault;
        fault.times = 1;
        m_sim.AddFault(fault);
        platform::SetLastError(ERROR_SUCCESS);
        m_value = kUntouched;
        const bool ok = c.write ? m_slave.WriteRegister(sim::kRegMode, 1)
                                : m_slave.ReadHoldingRegisters(sim::kRegMode, 1, &m_value);
        EXPECT_EQ(ok, c.error == ERROR_SUCCESS);
        EXPECT_EQ(platform::GetLastError(), c.error);
        if (!c.write) {
            EXPECT_EQ(m_value, ok ? 1 : kUntouched);
        }
        EXPECT_FALSE(m_slave.IsPortFailed());

        // At once, another register: whatever the fault left on the line (a late reply carrying the
        // mode) must not be taken for this reply.
        m_value = kUntouched;
        EXPECT_TRUE(m_slave.ReadHoldingRegisters(sim::kRegBaud, 1, &m_value)) << platform::GetLastError();
        EXPECT_EQ(m_value, 192);
    }
}

TEST_F(ModbusSim, GapInsideAReplyIsToleratedOnlyWhenShort) {
    struct Case {
        std::chrono::milliseconds gap;
        bool ok;
    };
    // Four registers: the 13-byte reply has a total limit of 180 ms, so a 100 ms pause passes.
    for (const auto& c : {Case{100ms, true}, Case{300ms, false}}) {
        SCOPED_TRACE(c.gap.count());
        m_sim.ClearFaults();
        m_sim.AddFault({.kind = FaultKind::ByteGap, .delay = c.gap, .gapAfter = 3, .times = 1});
        std::uint16_t registers[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
        EXPECT_EQ(m_slave.ReadHoldingRegisters(sim::kRegStatus, 4, registers), c.ok);
        EXPECT_EQ(registers[3] != kUntouched, c.ok);
        std::this_thread::sleep_for(400ms);
    }
}

TEST_F(ModbusSim, LineGoingAwayFailsThePortForGood) {
    ASSERT_TRUE(m_slave.ReadHoldingRegisters(sim::kRegMode, 1, &m_value));
    m_sim.CloseLine();
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        m_value = kUntouched;
        EXPECT_FALSE(m_slave.ReadHoldingRegisters(sim::kRegMode, 1, &m_value));
        const std::uint32_t error = platform::GetLastError();
        EXPECT_TRUE(error != ERROR_SUCCESS && error != ERROR_TIMEOUT && error != ERROR_CRC) << error;
        EXPECT_EQ(m_value, kUntouched);
        EXPECT_TRUE(m_slave.IsPortFailed());
    }
}

}  // namespace
