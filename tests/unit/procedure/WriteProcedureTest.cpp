// The write procedure's state machine, driven by notifications against a controller model whose
// registers live in memory (the worker is not started: each test processes variables by hand).
#include "device/WriteProcedure.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// A slave whose registers are a map; a "stuck" register acknowledges writes but keeps its value.
class CMemorySlave : public CModbusSlave {
public:
    CMemorySlave() : CModbusSlave(nullptr, 1) {}

    bool IsPortFailed() override { return false; }
    bool ReadInputRegisters(std::uint16_t first, std::uint16_t count, std::uint16_t* out) override {
        return Read(m_input, first, count, out);
    }
    bool ReadHoldingRegisters(std::uint16_t first, std::uint16_t count, std::uint16_t* out) override {
        return Read(m_holding, first, count, out);
    }
    bool WriteRegister(std::uint16_t reg, std::uint16_t value) override {
        m_written.push_back({reg, value});
        if (reg != m_stuckRegister) {
            m_holding[reg] = value;
        }
        return true;
    }
    bool WriteRegisters(std::uint16_t, std::uint16_t, const std::uint16_t*) override { return false; }

    std::map<std::uint16_t, std::uint16_t> m_input{{0, 105}, {2, 7}};
    std::map<std::uint16_t, std::uint16_t> m_holding{{32, 0}, {33, 1}, {34, 96}, {35, 3}};
    std::vector<std::pair<std::uint16_t, std::uint16_t>> m_written;
    int m_stuckRegister = -1;

private:
    static bool Read(const std::map<std::uint16_t, std::uint16_t>& regs, std::uint16_t first,
                     std::uint16_t count, std::uint16_t* out) {
        for (std::uint16_t i = 0; i < count; ++i) {
            auto it = regs.find(static_cast<std::uint16_t>(first + i));
            out[i] = it == regs.end() ? 0 : it->second;
        }
        return true;
    }
};

class CRecordingView : public IWriteProcedureView {
public:
    void OnStatusText(const std::string& text) override { m_texts.push_back(text); }
    void OnDone() override { ++m_done; }
    void OnVerificationFailed(const std::string& message) override { m_failure = message; }
    void OnRejected(const std::string& message) override { m_rejected = message; }

    std::vector<std::string> m_texts;
    int m_done = 0;
    std::string m_failure;
    std::string m_rejected;
};

const CommConfig kConfig{19200, 16, CArdeno::ModeEven1Stop};

class WriteProcedureTest : public ::testing::Test {
protected:
    // Processes a variable as the worker would and, when it succeeded, hands the notification on.
    void Serve(CModbusDeviceVar& var) {
        if (var.Process(&m_slave, m_controller.m_lock)) {
            m_procedure->OnVarUpdated(var.m_id);
        }
    }
    void ServeWrites() {
        Serve(m_controller.varAddressSet);
        Serve(m_controller.varBaudRateSet);
        Serve(m_controller.varCommModeSet);
    }
    void ServeReadBacks() {
        Serve(m_controller.varAddress);
        Serve(m_controller.varBaudRate);
        Serve(m_controller.varCommMode);
    }
    bool Queued(CModbusDeviceVar& var) { return m_controller.m_queue.count(&var) != 0; }
    void Start(const CommConfig& config = kConfig) {
        m_procedure.emplace(m_controller, config, m_view);
        m_procedure->Start();
    }

    CMemorySlave m_slave;
    CArdeno m_controller{&m_slave};
    CRecordingView m_view;
    std::optional<CWriteProcedure> m_procedure;
};

TEST_F(WriteProcedureTest, RunsThroughEveryStepToDone) {
    Start();
    EXPECT_TRUE(Queued(m_controller.varAddressSet) && Queued(m_controller.varBaudRateSet) &&
                Queued(m_controller.varCommModeSet));
    ServeWrites();
    ServeReadBacks();
    EXPECT_TRUE(Queued(m_controller.varConfCommand));
    Serve(m_controller.varConfCommand);
    m_slave.m_holding[32] = 1;
    Serve(m_controller.varConfStatus);
    EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateWaiting);
    m_slave.m_holding[32] = 0;
    Serve(m_controller.varConfStatus);

    EXPECT_EQ(m_view.m_texts,
              (std::vector<std::string>{"Writing configuration...", "Verifying...", "Saving configuration...",
                                        "Waiting for save confirmation...", "Done"}));
    EXPECT_EQ(m_view.m_done, 1);
    EXPECT_EQ(m_slave.m_written, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{
                                     {33, 16}, {34, 192}, {35, 0}, {32, 0x943}}));
}

TEST_F(WriteProcedureTest, OnlyTheLastOfTheThreeWritesMovesOn) {
    const std::vector<std::vector<int>> orders{{7, 8, 9}, {9, 7, 8}, {8, 9, 7}, {9, 8, 7}};
    for (const auto& order : orders) {
        Start();
        // Notifications that do not concern writing (read-backs included), and repeats, change nothing.
        for (int unrelated : {3, 4, 5, 6, 2, order[0]}) {
            m_procedure->OnVarUpdated(unrelated);
        }
        m_procedure->OnVarUpdated(order[0]);
        m_procedure->OnVarUpdated(order[1]);
        EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateWriting);
        m_procedure->OnVarUpdated(order[2]);
        EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateVerifying);
    }
}

TEST_F(WriteProcedureTest, VerificationFailureNamesTheParameterAndSavesNothing) {
    struct Case {
        std::uint16_t stuckRegister;
        const char* name;
    };
    for (const Case& c : {Case{33, "Address"}, Case{34, "Baud rate"}, Case{35, "Parity/stop bits"}}) {
        SCOPED_TRACE(c.name);
        m_slave = CMemorySlave{};
        m_slave.m_stuckRegister = c.stuckRegister;
        m_controller.m_queue.clear();
        m_view = {};
        Start();
        ServeWrites();
        ServeReadBacks();
        EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateFinished);
        EXPECT_EQ(m_view.m_failure, std::string("Failed verifying written configuration for parameter \"") +
                                        c.name + "\". Check selected configuration and try again.");
        EXPECT_FALSE(Queued(m_controller.varConfCommand));
        m_procedure->OnVarUpdated(kVarConfCommand);
        m_procedure->OnVarUpdated(kVarConfStatus);
        EXPECT_EQ(m_view.m_done, 0);
    }
}

TEST_F(WriteProcedureTest, ReadBackWithoutAcceptedValueKeepsWaiting) {
    Start();
    ServeWrites();
    m_slave.m_holding[33] = 0;  // an address the controller model refuses: no value to compare
    ServeReadBacks();
    EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateVerifying);
    EXPECT_TRUE(m_view.m_failure.empty());
    m_slave.m_holding[33] = 16;
    Serve(m_controller.varAddress);
    EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateSaving);
}

TEST_F(WriteProcedureTest, SaveConfirmationDependsOnTheStatusRead) {
    struct Case {
        std::uint16_t status;
        bool done;
    };
    // 1 is "saving"; 0 and 2 both end the save; 3 is no status and gives no value.
    for (const Case& c : {Case{0, true}, Case{2, true}, Case{1, false}, Case{3, false}}) {
        SCOPED_TRACE(c.status);
        m_view = {};
        m_slave.m_holding[32] = 0;
        Start();
        ServeWrites();
        ServeReadBacks();
        m_slave.m_holding[32] = c.status;
        Serve(m_controller.varConfStatus);  // a status read before the save command's write counts not
        EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateSaving);
        Serve(m_controller.varConfCommand);
        m_slave.m_holding[32] = c.status;
        Serve(m_controller.varConfStatus);
        EXPECT_EQ(m_procedure->IsFinished(), c.done);
        EXPECT_EQ(m_view.m_done, c.done ? 1 : 0);
    }
}

TEST_F(WriteProcedureTest, RefusedValueRejectsTheConfigurationAndStopsQueuing) {
    m_controller.m_queue.clear();
    Start(CommConfig{9650, 16, CArdeno::ModeNone1Stop});
    EXPECT_EQ(m_view.m_rejected, "Configuration rejected. 16, 9650, 3");
    EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateIdle);
    EXPECT_TRUE(m_view.m_texts.empty());
    EXPECT_TRUE(Queued(m_controller.varAddressSet));  // accepted before the refusal: stays queued
    EXPECT_FALSE(Queued(m_controller.varBaudRateSet));
    EXPECT_FALSE(Queued(m_controller.varCommModeSet));
    m_procedure->OnVarUpdated(kVarAddressSet);
    EXPECT_EQ(m_procedure->GetState(), CWriteProcedure::StateIdle);
}

}  // namespace
