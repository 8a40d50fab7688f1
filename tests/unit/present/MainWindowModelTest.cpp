// The main window's decisions, fed notifications as the worker makes them.
#include "present/MainWindowModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "present/LineSettingsText.h"
#include "present/MainWindowHints.h"
#include "res/Strings.h"

namespace {

const LineInUse kLine{19200, 2, 0, 16};
const std::string kNoAnswer = "Nothing answers at 19200 baud, Even, 1 stop bit, address 16. ";

ControllerValues Answering() {
    return {3102, std::pair{1, 4}, 16, 19200UL, CArdeno::ModeNone2Stop, false, {}, true};
}

struct Step {
    int id;
    VarOutcome outcome;
};

const std::vector<Step> kEveryValueRead{{kVarConfStatus, VarOutcome::Read}, {kVarModel, VarOutcome::Read},
                                        {kVarVersion, VarOutcome::Read},    {kVarAddress, VarOutcome::Read},
                                        {kVarBaudRate, VarOutcome::Read},   {kVarCommMode, VarOutcome::Read}};

std::vector<Step> Then(std::vector<Step> steps, std::vector<Step> more) {
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

TEST(MainWindowModel, NotificationsDecideStatusHintAndColumns) {
    const struct {
        const char* what;
        std::vector<Step> steps;
        bool repliesTwice;
        const char* status;
        std::string hintStart;
        bool readEnabled;
        const char* devBaud;
        const char* model;
    } rows[] = {
        {"nothing yet", {}, false, "", "", false, "", ""},
        {"model before any setting", {{kVarModel, VarOutcome::Read}}, false, "", "", false, "", ""},
        {"every value", kEveryValueRead, false, "Connected", "", true, "19200", "ArdenoX 3102"},
        {"a failed exchange", Then(kEveryValueRead, {{kVarModel, VarOutcome::Failed}}), false,
         "Not connected", kNoAnswer, false, "", ""},
        {"answering again",
         Then(kEveryValueRead, {{kVarModel, VarOutcome::Failed}, {kVarBaudRate, VarOutcome::Read}}), false,
         "Connected", "", false, "19200", ""},
        {"a refused value", Then(kEveryValueRead, {{kVarBaudRate, VarOutcome::Refused}}), false, "Connected",
         "", false, "", "ArdenoX 3102"},
        {"an unknown model", Then(kEveryValueRead, {{kVarModel, VarOutcome::Unknown}}), false, "Connected",
         "", true, "19200", ""},
        {"busy", Then(kEveryValueRead, {{kVarBaudRate, VarOutcome::Busy}}), false, "Connected", "", true,
         "19200", "ArdenoX 3102"},
        {"copied replies", kEveryValueRead, true, "Connected", "Replies arrive twice", true, "19200",
         "ArdenoX 3102"},
        {"copied replies, no answer",
         {{kVarConfStatus, VarOutcome::Failed}},
         true,
         "Not connected",
         "Replies arrive twice",
         false,
         "",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MainWindowModel model(kLine);
        ControllerValues values = Answering();
        values.repliesArriveTwice = row.repliesTwice;
        for (const Step& step : row.steps) {
            model.OnVarUpdated(step.id, step.outcome, values);
        }
        const MainWindowView& view = model.View();
        EXPECT_EQ(view.status, row.status);
        EXPECT_EQ(view.hint.substr(0, row.hintStart.size()), row.hintStart);
        EXPECT_EQ(view.hint.empty(), row.hintStart.empty());
        EXPECT_EQ(view.readEnabled, row.readEnabled);
        EXPECT_EQ(view.devBaudRate, row.devBaud);
        EXPECT_EQ(view.model, row.model);
        EXPECT_EQ(view.connMode, "Even, 1 stop bit");
    }
}

TEST(MainWindowModel, SettingsThatNeverConfirmAreNoConnection) {
    MainWindowModel model(kLine);
    ControllerValues unconfirmed;  // every reply came, none was believed: stray bytes after each
    unconfirmed.signs.answered = 12;
    unconfirmed.signs.damaged = 12;
    for (int round = 1; round <= 3; ++round) {
        for (const Step& step : kEveryValueRead) {
            model.OnVarUpdated(step.id, step.outcome, unconfirmed);
        }
        // A line that confirms each value by a second read may take two rounds, one more with a stray byte.
        EXPECT_EQ(model.View().status, round < 3 ? "" : "Not connected") << round;
    }
    EXPECT_EQ(
        model.View().hint.rfind("No valid reply at 19200 baud, Even, 1 stop bit, address 16. Some replies "
                                "arrive damaged",
                                0),
        0u)
        << model.View().hint;
    model.OnVarUpdated(kVarAddress, VarOutcome::Read, Answering());
    EXPECT_EQ(model.View().status, "Connected");
    EXPECT_TRUE(model.View().hint.empty());
}

TEST(MainWindowModel, DamagedRepliesGetTheirOwnHint) {
    MainWindowModel model(kLine);
    ControllerValues values = Answering();
    values.signs.damaged = 3;
    model.OnVarUpdated(kVarConfStatus, VarOutcome::Failed, values);
    EXPECT_EQ(model.View().hint.rfind("No valid reply at 19200 baud, Even, 1 stop bit, address 16. Something "
                                      "answers, but every reply arrives damaged",
                                      0),
              0u)
        << model.View().hint;
}

TEST(MainWindowModel, WriteIsEnabledOnlyWhileConnectedAndLeftAloneWhileChoosing) {
    MainWindowModel connected(kLine);
    connected.OnVarUpdated(kVarConfStatus, VarOutcome::Read, Answering());
    const MainWindowModel notConnected(kLine);
    const struct {
        const MainWindowModel& model;
        bool baud, mode, choosing, now, enabled;
    } rows[] = {
        {connected, true, true, false, false, true},   {connected, false, true, false, true, false},
        {connected, true, false, false, true, false},  {connected, false, false, true, true, true},
        {connected, true, true, true, false, false},   {notConnected, true, true, false, true, false},
        {notConnected, true, true, true, true, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.model.WriteEnabled(row.baud, row.mode, row.choosing, row.now), row.enabled)
            << row.baud << row.mode << row.choosing << row.now;
    }
}

TEST(MainWindowModel, ReadCopiesTheControllerKeepingASpeedTheListDoesNotOffer) {
    const struct {
        ControllerValues values;
        LineChoice line;
        std::optional<std::uint32_t> kept;
    } rows[] = {
        {Answering(), {1, 2, "16"}, std::nullopt},
        {{{}, {}, 5, 115200UL, CArdeno::ModeOdd1Stop, false, {}}, {4, 1, "5"}, 115200u},
        {{}, {-1, -1, ""}, std::nullopt},
    };
    for (const auto& row : rows) {
        const ReadChoice choice = MainWindowModel::ChoiceOf(row.values);
        EXPECT_EQ(choice.line, row.line) << row.line.address;
        EXPECT_EQ(choice.keptBaudRate, row.kept);
    }
    EXPECT_EQ(MainWindowModel::DefaultChoice(), (LineChoice{1, 0, "16"}));
}

TEST(MainWindowModel, WriteTakesTheShownSettingsTheKeptSpeedIncluded) {
    const struct {
        LineChoice shown;
        std::optional<std::uint32_t> kept;
        std::uint32_t baud;  // 0: nothing to write
        const char* refusal;
    } rows[] = {
        {{3, 2, "5"}, std::nullopt, 57600, nullptr},
        {{4, 1, "247"}, 115200u, 115200, nullptr},
        {{4, 1, "5"}, std::nullopt, 0, nullptr},
        {{-1, 1, "5"}, std::nullopt, 0, nullptr},
        {{1, -1, "5"}, std::nullopt, 0, nullptr},
        // The address is checked first: its tip shows even while a list shows no choice.
        {{-1, -1, "0"}, std::nullopt, 0, "Invalid value"},
    };
    for (const auto& row : rows) {
        const WriteRequest request = MainWindowModel::ToWrite(row.shown, row.kept);
        const auto* config = std::get_if<CommConfig>(&request);
        const auto* refusal = std::get_if<FieldRefusal>(&request);
        EXPECT_EQ(config ? config->m_baudRate : 0u, row.baud) << row.shown.baudIndex;
        EXPECT_EQ(refusal ? refusal->title : "", row.refusal ? row.refusal : "");
    }
    const WriteRequest odd = MainWindowModel::ToWrite({0, 1, "247"}, std::nullopt);
    ASSERT_TRUE(std::holds_alternative<CommConfig>(odd));
    EXPECT_EQ(std::get<CommConfig>(odd).m_mode, CArdeno::ModeOdd1Stop);
    EXPECT_EQ(std::get<CommConfig>(odd).m_address, 247);
}

TEST(MainWindowModel, PortLossIsReportedOnceAndAWriteDoneIsKept) {
    MainWindowModel model(kLine);
    EXPECT_EQ(model.OnPortLost(nullptr), std::string());
    EXPECT_EQ(model.OnPortLost(nullptr), std::nullopt);

    EXPECT_FALSE(model.Written());
    const AfterWriteNotice offered = model.WriteDone({57600, 5, CArdeno::ModeNone2Stop});
    EXPECT_EQ(offered.messageId, res::IDS_AFTER_WRITE);
    EXPECT_EQ(offered.mode, "None, 2 stop bits");
    EXPECT_EQ(model.WriteDone({115200, 5, CArdeno::ModeNone2Stop}).messageId,
              res::IDS_AFTER_WRITE_OUT_OF_REACH);
    ASSERT_TRUE(model.Written());
    EXPECT_EQ(model.Written()->m_baudRate, 115200u);
}

// The connection runs at 19200, Even 1, address 16. Only what would change the connection waits for
// the restart; a "Not connected" after such a write names the written settings.
TEST(MainWindowModel, SavedSettingsThatWaitForTheRestartAreNamedUntilTheConnectionChanges) {
    const struct {
        CommConfig written;
        const char* note;
    } rows[] = {
        {{19200, 16, CArdeno::ModeEven1Stop}, ""},
        {{19200, 17, CArdeno::ModeEven1Stop}, "Saved, in use after the next restart: address 17."},
        {{38400, 16, CArdeno::ModeNone2Stop},
         "Saved, in use after the next restart: 38400 baud, None, 2 stop bits."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.note);
        MainWindowModel model(kLine);
        for (const Step& step : kEveryValueRead) {
            model.OnVarUpdated(step.id, step.outcome, Answering());
        }
        EXPECT_EQ(model.View().restartNote, "");
        model.WriteDone(row.written);
        EXPECT_EQ(model.View().restartNote, row.note);
        model.OnVarUpdated(kVarModel, VarOutcome::Failed, Answering());
        if (*row.note == '\0') {
            EXPECT_TRUE(model.View().hint.starts_with(kNoAnswer)) << model.View().hint;
            continue;
        }
        EXPECT_EQ(model.View().hint,
                  "No answer here since the write: after a restart the controller uses " +
                      SettingsPhrase(row.written.m_baudRate, row.written.m_mode, row.written.m_address) +
                      ". Press Change: the connection dialog offers these settings.");
        EXPECT_EQ(MainWindowModel(kLine).View().restartNote, "") << "a new connection starts without it";
    }
}

// The controller's own settings: 19200 baud, None 2, address 16 (Answering).
TEST(MainWindowModel, NewSettingsThatDifferFromTheControllersOwnAreMarked) {
    const struct {
        const char* what;
        LineChoice shown;
        std::optional<std::uint32_t> kept;
        ChangedFields changed;
    } rows[] = {
        {"the same", {1, 2, "16"}, std::nullopt, {}},
        {"another speed", {2, 2, "16"}, std::nullopt, {true, false, false}},
        {"the kept speed", {4, 2, "16"}, 4800u, {true, false, false}},
        {"another mode and address", {1, 0, "017"}, std::nullopt, {false, true, true}},
        {"an address the field refuses", {1, 2, "300"}, std::nullopt, {}},
        {"nothing chosen", {-1, -1, ""}, std::nullopt, {}},
    };
    MainWindowModel model(kLine);
    for (const Step& step : kEveryValueRead) {
        model.OnVarUpdated(step.id, step.outcome, Answering());
    }
    for (const auto& row : rows) {
        EXPECT_EQ(model.Changes(row.shown, row.kept), row.changed) << row.what;
    }
    EXPECT_EQ(MainWindowModel(kLine).Changes({2, 0, "17"}, std::nullopt), ChangedFields{})
        << "nothing is marked before the controller's settings are read";
    model.OnVarUpdated(kVarBaudRate, VarOutcome::Refused, Answering());
    EXPECT_EQ(model.Changes({2, 0, "16"}, std::nullopt), (ChangedFields{false, true, false}));
}

TEST(MainWindowHints, LostPortNamesWhatIsLeftUnsavedAndTheSettingsStillAnswering) {
    const CommConfig written{38400, 17, CArdeno::ModeNone2Stop};
    EXPECT_EQ(LostPortDuringWriteHint(written, {}, 19200, "Even, 1 stop bit", 16), "");
    EXPECT_EQ(
        LostPortDuringWriteHint(written, {kVarAddressSet, kVarCommModeSet}, 19200, "Even, 1 stop bit", 16),
        "The write stopped before the save: holding registers 33 (address 17), 35 (mode None, 2 stop "
        "bits) hold new values that are not saved and vanish at the controller's next restart unless "
        "saved. Until then the controller answers at 19200 baud, Even, 1 stop bit, address 16: connect "
        "the adapter again, connect at those settings and Write again to save the new ones, or restart "
        "the controller to drop them.");
}

TEST(MainWindowHints, AStoppedWriteNamesWhereTheControllerAnswersNow) {
    const CommConfig written{38400, 17, CArdeno::ModeNone2Stop};
    const traffic::TraceSetting connection{"/dev/ttyUSB0", "19200 baud, Even, 1 stop bit", 16};
    EXPECT_TRUE(
        StoppedWriteWindowHint(written, {}, connection)
            .starts_with("The write stopped: the controller may hold some of the new settings, or be "
                         "saving them. Until its next restart it answers at /dev/ttyUSB0, 19200 baud, "
                         "Even, 1 stop bit, address 16: check with Read;"))
        << StoppedWriteWindowHint(written, {}, connection);
    EXPECT_TRUE(
        StoppedWriteWindowHint(written, {kVarBaudRateSet}, connection)
            .ends_with("Until its next restart the controller answers at /dev/ttyUSB0, 19200 baud, "
                       "Even, 1 stop bit, address 16: Read shows what it holds, Write again saves the "
                       "new settings."))
        << StoppedWriteWindowHint(written, {kVarBaudRateSet}, connection);
}

}  // namespace
