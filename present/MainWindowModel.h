#pragma once
// What the main window shows and decides: the connection column, the controller's column, its model
// and version, the status with the hint beside it, which of Read and Write may be pressed, the settings
// Default and Read put in the new-settings column, and what follows a write. The view feeds it the
// controller's notifications on its own thread and shows View().
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "device/Ardeno.h"
#include "device/WriteProcedure.h"
#include "present/ConnectionForm.h"

// What a variable notification reported; decided on the worker thread, from its last error.
enum class VarOutcome {
    Read,
    Failed,
    Unknown,  // read, but a value this tool does not know
    Busy,     // the controller asked to be asked again later
    Refused,  // the controller refused the request (an exception reply)
};
VarOutcome OutcomeOf(bool success, std::uint32_t lastError);

// The controller's values as the window's thread finds them when it handles a notification.
struct ControllerValues {
    std::optional<unsigned> model;
    std::optional<std::pair<int, int>> version;
    std::optional<unsigned> address;
    std::optional<unsigned long> baudRate;
    std::optional<CArdeno::ECommModeSetting> mode;
    bool repliesArriveTwice = false;
    traffic::LineSignCounts signs;  // what the line did in each exchange so far
    bool statusKnown = false;       // the configuration status has a confirmed value

    static ControllerValues Of(CArdeno& controller);
};

// The settings of the connection in use.
struct LineInUse {
    std::uint32_t baudRate = 0;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t address = 0;
};

struct MainWindowView {
    std::string connBaudRate, connMode, connAddress;
    std::string devBaudRate, devMode, devAddress;
    std::string status;  // empty until the first notification
    std::string hint;    // the next step, beside the status; hidden when empty
    // Under the controller's column after a write: the saved settings it takes only at its next restart;
    // hidden when empty.
    std::string restartNote;
    std::string model, version;
    bool connected = false;
    bool readEnabled = false;  // Read copies the controller's column: only once it is complete
};

// The new-settings column after Read: the controller's settings, nothing where it has none.
struct ReadChoice {
    LineChoice line;
    // A speed the list does not offer, the controller's own: added as the list's last entry and chosen,
    // so that it is written back as it is.
    std::optional<std::uint32_t> keptBaudRate;
};

// What Write starts: the settings to write, the address field's refusal, or nothing while a list shows
// no choice.
using WriteRequest = std::variant<std::monostate, CommConfig, FieldRefusal>;

// The fields of the new-settings column that would change the controller's own settings: a view marks
// them, so that a Write that changes more than meant is seen before it starts.
struct ChangedFields {
    bool baudRate = false;
    bool mode = false;
    bool address = false;

    friend bool operator==(const ChangedFields&, const ChangedFields&) = default;
};
// The tip of a marked field.
inline constexpr std::string_view kChangedFieldTip = "Differs from the controller's own setting";

// What a main window's modal run ends with, on every system; -1 when the program was asked to quit.
enum MainWindowResult : int {
    kMainWindowClosed = 1,
    kMainWindowChange = 4,      // the connection dialog again
    kMainWindowCommission = 5,  // the connection taken down for the Commission dialog on its port
};

// What the window says once a write ended with Done: the message and its values.
struct AfterWriteNotice {
    unsigned messageId;
    std::uint32_t baudRate;
    std::string mode;
    unsigned address;
};

class MainWindowModel {
public:
    MainWindowModel() = default;
    explicit MainWindowModel(const LineInUse& line);

    const MainWindowView& View() const { return m_view; }

    void OnVarUpdated(int id, VarOutcome outcome, const ControllerValues& values);
    // The port failed: the hint to report with the failure (empty when there is none), the first time
    // only; the window ends after it. `writeUnderWay`: the write dialog's procedure, when one is open.
    std::optional<std::string> OnPortLost(const CWriteProcedure* writeUnderWay);

    // Whether Write may be pressed: while connected, with a speed and a mode chosen. While the operator
    // is choosing in an open list (`choosing`), it stays as it is (`now`) unless the connection is gone.
    bool WriteEnabled(bool baudChosen, bool modeChosen, bool choosing, bool now) const;

    static LineChoice DefaultChoice() { return FactoryLineChoice(); }
    static ReadChoice ChoiceOf(const ControllerValues& values);

    // What Write writes from the new-settings column. `keptBaudRate`: the speed after the offered ones,
    // when Read added one.
    static WriteRequest ToWrite(const LineChoice& shown, std::optional<std::uint32_t> keptBaudRate);

    // Which fields of `shown` differ from the controller's own settings. A field is marked only when both
    // values are known: not while the controller's is unread, nor for an address the field would refuse.
    ChangedFields Changes(const LineChoice& shown, std::optional<std::uint32_t> keptBaudRate) const;

    // The write dialog ended with Done: the settings are kept for the next connection to offer, and
    // those that differ from the connection's wait for the controller's restart (View().restartNote).
    AfterWriteNotice WriteDone(const CommConfig& written);
    // The settings of the last write that ended with Done in this window.
    const std::optional<CommConfig>& Written() const { return m_written; }

private:
    void Take(int id, const ControllerValues& values);
    void Forget(int id);
    void ShowNotConnected(const traffic::LineSignCounts& signs);
    void UpdateReadEnabled();

    // The saved settings the connection does not use yet, as a phrase; empty when there are none.
    std::string WaitingSettings() const;

    LineInUse m_line;
    MainWindowView m_view;
    // The controller's own settings as last read, for Changes.
    std::optional<std::uint32_t> m_ownBaudRate;
    std::optional<CArdeno::ECommModeSetting> m_ownMode;
    std::optional<unsigned> m_ownAddress;
    bool m_portLostReported = false;
    std::optional<CommConfig> m_written;
    // Reads of a setting that brought no confirmed value since the last one that did, by variable id.
    std::map<int, int> m_unconfirmedReads;
};
