// The stand-in's register map and save model, seen through libmodbus as the master.
#include <gtest/gtest.h>

#include <thread>

#include "sim/ControllerSim.h"
#include "tests/integration/sim/Master.h"
#include "tests/integration/sim/RawLine.h"

namespace {

using namespace std::chrono_literals;
using sim::Table;

sim::Config ShortSave() {
    sim::Config config;
    config.saveDuration = 150ms;
    return config;
}

// Polls the status register until it reads `status` or a generous limit passes.
bool StatusBecomes(simtest::Master& master, std::uint16_t status) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (master.ReadHolding(sim::kRegStatus) == status) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

struct MappedRegister {
    bool input;
    int reg;
    std::uint16_t expected;
};

TEST(ControllerBehaviour, AnswersItsRegisterMapAndRefusesUnmappedRegisters) {
    sim::Config config;
    config.firmware = 105;
    config.model = 4711;
    config.settings = {21, 576, 3};
    sim::ControllerSim controller(config);
    simtest::Master master(controller.DevicePath(), 21, 300, 57600);
    ASSERT_TRUE(master.Connected());

    const MappedRegister map[] = {
        {true, sim::kRegFirmware, 105}, {true, sim::kRegModel, 4711}, {false, sim::kRegStatus, 0},
        {false, sim::kRegAddress, 21},  {false, sim::kRegBaud, 576},  {false, sim::kRegMode, 3},
    };
    for (const MappedRegister& entry : map) {
        const auto value = entry.input ? master.ReadInput(entry.reg) : master.ReadHolding(entry.reg);
        EXPECT_EQ(value, entry.expected) << "register " << entry.reg;
    }
    for (int unmapped : {31, 36}) {
        EXPECT_FALSE(master.ReadHolding(unmapped));
        EXPECT_EQ(master.LastErrno(), EMBXILADD) << "holding " << unmapped;
    }
    EXPECT_FALSE(master.ReadInput(3));
    EXPECT_EQ(master.LastErrno(), EMBXILADD);
}

TEST(ControllerBehaviour, WrittenSettingsReadBackButTakeEffectOnlyAfterSaveAndRestart) {
    sim::ControllerSim controller(ShortSave());
    simtest::Master master(controller.DevicePath(), 16);
    simtest::Master newAddress(controller.DevicePath(), 17, 100);
    ASSERT_TRUE(master.Connected());

    ASSERT_TRUE(master.Write(sim::kRegAddress, 17));
    ASSERT_TRUE(master.Write(sim::kRegBaud, 384));
    ASSERT_TRUE(master.Write(sim::kRegMode, 2));
    EXPECT_EQ(master.ReadHolding(sim::kRegAddress), 17);
    EXPECT_EQ(master.ReadHolding(sim::kRegBaud), 384);
    EXPECT_EQ(master.ReadHolding(sim::kRegMode), 2);
    EXPECT_FALSE(newAddress.ReadHolding(sim::kRegAddress)) << "answers on the new address before a restart";

    ASSERT_TRUE(master.Write(sim::kRegStatus, sim::kSaveCommand));
    EXPECT_EQ(master.ReadHolding(sim::kRegStatus), sim::kStatusSaving);
    EXPECT_EQ(controller.SavedSettings(), (sim::CommSettings{16, 192, 0})) << "stored before the save ended";
    EXPECT_TRUE(StatusBecomes(master, sim::kStatusIdle));
    EXPECT_EQ(controller.SavedSettings(), (sim::CommSettings{17, 384, 2}));
    EXPECT_EQ(controller.LineAddress(), 16);
    EXPECT_EQ(controller.SaveCommandCount(), 1u);

    controller.Restart();
    EXPECT_EQ(controller.LineAddress(), 17);
    EXPECT_FALSE(newAddress.ReadHolding(sim::kRegBaud)) << "still answers at the old speed";
    simtest::Master moved(controller.DevicePath(), 17, 100, 38400);
    EXPECT_EQ(moved.ReadHolding(sim::kRegBaud), 384);
    EXPECT_FALSE(master.ReadHolding(sim::kRegBaud)) << "still answers on the old address";
}

TEST(ControllerBehaviour, RestartWithoutSaveRestoresTheStoredSettings) {
    sim::ControllerSim controller(ShortSave());
    simtest::Master master(controller.DevicePath(), 16);
    ASSERT_TRUE(master.Write(sim::kRegBaud, 96));
    controller.Restart();
    EXPECT_EQ(master.ReadHolding(sim::kRegBaud), 192);
    EXPECT_EQ(controller.SaveCommandCount(), 0u);
}

struct RefusedWrite {
    int reg;
    std::uint16_t value;
};

TEST(ControllerBehaviour, RefusesValuesTheControllerCannotTakeAndChangesNothing) {
    sim::ControllerSim controller(ShortSave());
    simtest::Master master(controller.DevicePath(), 16);
    const RefusedWrite refused[] = {{sim::kRegStatus, 1},    {sim::kRegStatus, 2370}, {sim::kRegAddress, 0},
                                    {sim::kRegAddress, 248}, {sim::kRegBaud, 0},      {sim::kRegBaud, 1152},
                                    {sim::kRegMode, 4}};
    for (const RefusedWrite& write : refused) {
        const std::uint16_t before =
            controller.Register(Table::Holding, static_cast<std::uint16_t>(write.reg));
        EXPECT_FALSE(master.Write(write.reg, write.value)) << write.reg << " = " << write.value;
        EXPECT_EQ(master.LastErrno(), EMBXILVAL);
        EXPECT_EQ(controller.Register(Table::Holding, static_cast<std::uint16_t>(write.reg)), before);
    }
    // One refused register spoils a multiple write as a whole.
    const std::uint16_t values[] = {18, 1200, 1};
    EXPECT_EQ(modbus_write_registers(master.Context(), sim::kRegAddress, 3, values), -1);
    EXPECT_EQ(controller.Register(Table::Holding, sim::kRegAddress), 16);
    EXPECT_EQ(controller.SaveCommandCount(), 0u);
}

TEST(ControllerBehaviour, SingleRegisterReadsRefusesLongerReadsWithIllegalDataAddress) {
    for (const bool single : {false, true}) {
        SCOPED_TRACE(single ? "single-register reads" : "any read");
        sim::Config config;
        config.singleRegisterReads = single;
        sim::ControllerSim controller(config);
        simtest::Master master(controller.DevicePath(), 16);
        std::uint16_t values[3] = {};
        EXPECT_EQ(modbus_read_registers(master.Context(), sim::kRegAddress, 1, values), 1);
        EXPECT_EQ(modbus_read_input_registers(master.Context(), sim::kRegFirmware, 1, values), 1);
        EXPECT_EQ(modbus_read_registers(master.Context(), sim::kRegAddress, 3, values), single ? -1 : 3);
        EXPECT_EQ(modbus_read_input_registers(master.Context(), sim::kRegFirmware, 2, values),
                  single ? -1 : 2);
        if (single) {
            EXPECT_EQ(errno, EMBXILADD);
        }
    }
}

TEST(ControllerBehaviour, MultipleWriteIsCarriedOutLikeSingleWrites) {
    sim::ControllerSim controller(ShortSave());
    simtest::Master master(controller.DevicePath(), 16);
    const std::uint16_t values[] = {sim::kSaveCommand, 33, 576, 1};
    ASSERT_EQ(modbus_write_registers(master.Context(), sim::kRegStatus, 4, values), 4);
    EXPECT_EQ(master.ReadHolding(sim::kRegStatus), sim::kStatusSaving);
    EXPECT_TRUE(StatusBecomes(master, sim::kStatusIdle));
    EXPECT_EQ(controller.SavedSettings(), (sim::CommSettings{33, 576, 1}));
}

TEST(ControllerBehaviour, StickyRegisterEchoesTheWriteButKeepsItsValue) {
    sim::ControllerSim controller;
    simtest::Master master(controller.DevicePath(), 16);
    controller.SetStickyRegister(sim::kRegBaud, true);
    EXPECT_TRUE(master.Write(sim::kRegBaud, 384));
    EXPECT_EQ(master.ReadHolding(sim::kRegBaud), 192);
    EXPECT_TRUE(master.Write(sim::kRegMode, 1)) << "other registers still change";
    EXPECT_EQ(master.ReadHolding(sim::kRegMode), 1);
    controller.SetStickyRegister(sim::kRegBaud, false);
    EXPECT_TRUE(master.Write(sim::kRegBaud, 384));
    EXPECT_EQ(master.ReadHolding(sim::kRegBaud), 384);
}

TEST(ControllerBehaviour, StuckSaveKeepsSavingAndStoresNothingUntilReleased) {
    sim::ControllerSim controller(ShortSave());
    simtest::Master master(controller.DevicePath(), 16);
    controller.SetStuckSaving(true);
    ASSERT_TRUE(master.Write(sim::kRegAddress, 40));
    ASSERT_TRUE(master.Write(sim::kRegStatus, sim::kSaveCommand));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(master.ReadHolding(sim::kRegStatus), sim::kStatusSaving);
    EXPECT_EQ(controller.SavedSettings().address, 16);

    controller.SetStuckSaving(false);
    EXPECT_EQ(master.ReadHolding(sim::kRegStatus), sim::kStatusIdle);
    EXPECT_EQ(controller.SavedSettings().address, 40);
}

TEST(ControllerBehaviour, DirectRegisterAccessShowsOnTheLine) {
    sim::ControllerSim controller;
    simtest::Master master(controller.DevicePath(), 16);
    controller.SetRegister(Table::Input, sim::kRegModel, 0);
    controller.SetRegister(Table::Holding, sim::kRegStatus, 2);
    controller.SetRegister(Table::Holding, sim::kRegAddress, 257);
    EXPECT_EQ(master.ReadInput(sim::kRegModel), 0);
    EXPECT_EQ(master.ReadHolding(sim::kRegStatus), 2);
    EXPECT_EQ(master.ReadHolding(sim::kRegAddress), 257);
    EXPECT_EQ(controller.RequestCount(4), 1u) << "direct access is not counted";
}

TEST(ControllerBehaviour, CountsWhatReachedItAndIgnoresOtherAddresses) {
    sim::ControllerSim controller(ShortSave());
    simtest::Master master(controller.DevicePath(), 16);
    simtest::Master stranger(controller.DevicePath(), 5, 100);
    ASSERT_TRUE(master.ReadHolding(sim::kRegBaud));
    ASSERT_TRUE(master.ReadHolding(sim::kRegBaud));
    ASSERT_TRUE(master.Write(sim::kRegMode, 2));
    EXPECT_FALSE(stranger.ReadHolding(sim::kRegBaud));
    // Right after a request for another slave, its own requests are still answered.
    ASSERT_TRUE(master.ReadInput(sim::kRegFirmware));

    EXPECT_EQ(controller.RequestCount(3, sim::kRegBaud), 2u);
    EXPECT_EQ(controller.RequestCount(3), 2u);
    EXPECT_EQ(controller.RequestCount(6, sim::kRegMode), 1u);
    EXPECT_EQ(controller.RequestCount(4, sim::kRegFirmware), 1u);
    EXPECT_EQ(controller.IgnoredFrameCount(), 1u);
    EXPECT_EQ(controller.SaveCommandCount(), 0u);
    const std::vector<sim::RequestRecord> expected = {
        {3, sim::kRegBaud, 1}, {3, sim::kRegBaud, 1}, {6, sim::kRegMode, 2}, {4, sim::kRegFirmware, 1}};
    EXPECT_EQ(controller.Requests(), expected);

    controller.ResetCounts();
    EXPECT_TRUE(controller.Requests().empty());
    EXPECT_EQ(controller.IgnoredFrameCount(), 0u);
    EXPECT_FALSE(controller.WaitForRequests(1, 50ms));
}

TEST(ControllerBehaviour, DropsNoiseAndBadCrcThenAnswersTheNextRequest) {
    sim::ControllerSim controller;
    simtest::RawLine line(controller.DevicePath());
    const std::uint8_t noise[] = {16, 3, 0};  // a request cut off midway
    ASSERT_EQ(::write(line.Fd(), noise, sizeof noise), 3);
    std::this_thread::sleep_for(250ms);
    const std::uint8_t badCrc[] = {16, 3, 0, 33, 0, 1, 0x00, 0x00};
    ASSERT_EQ(::write(line.Fd(), badCrc, sizeof badCrc), 8);
    EXPECT_TRUE(line.Reply(1, 200ms).empty());

    line.SendWithCrc({16, 3, 0, 33, 0, 1});
    const std::vector<std::uint8_t> reply = line.Reply(7, 1000ms);
    ASSERT_EQ(reply.size(), 7u);
    EXPECT_EQ(reply[4], 16);
    EXPECT_EQ(controller.IgnoredFrameCount(), 2u);
}

TEST(ControllerBehaviour, SurvivesTheToolClosingAndReopeningThePort) {
    sim::ControllerSim controller;
    for (int connection = 0; connection < 3; ++connection) {
        simtest::Master master(controller.DevicePath(), 16);
        ASSERT_TRUE(master.Connected()) << "connection " << connection;
        EXPECT_EQ(master.ReadHolding(sim::kRegAddress), 16) << "connection " << connection;
    }
}

}  // namespace
