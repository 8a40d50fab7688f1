#include "present/MainWindowModel.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <vector>

#include "device/ControllerFacts.h"
#include "platform/AppErrors.h"
#include "present/LineSettingsText.h"
#include "present/MainWindowHints.h"

VarOutcome OutcomeOf(bool success, std::uint32_t lastError) {
    if (success) {
        return VarOutcome::Read;
    }
    if (platform::UnknownValueOf(lastError)) {
        return VarOutcome::Unknown;
    }
    if (const auto exception = platform::ModbusExceptionOf(lastError)) {
        return platform::IsBusyException(*exception) ? VarOutcome::Busy : VarOutcome::Refused;
    }
    return VarOutcome::Failed;
}

ControllerValues ControllerValues::Of(CArdeno& controller) {
    ControllerValues values;
    if (unsigned short model = 0; controller.GetModel(model)) {
        values.model = model;
    }
    if (std::pair<int, int> version; controller.GetVersion(version)) {
        values.version = version;
    }
    if (unsigned char address = 0; controller.GetAddress(address)) {
        values.address = address;
    }
    if (unsigned long baudRate = 0; controller.GetBaudRate(baudRate)) {
        values.baudRate = baudRate;
    }
    if (CArdeno::ECommModeSetting mode{}; controller.GetCommMode(mode)) {
        values.mode = mode;
    }
    values.repliesArriveTwice = controller.RepliesArriveTwice();
    CArdeno::ECommConfStatus status{};
    values.statusKnown = controller.GetConfStatus(status);
    values.signs = controller.LineSigns();
    return values;
}

MainWindowModel::MainWindowModel(const LineInUse& line) : m_line(line) {
    m_view.connBaudRate = std::to_string(line.baudRate);
    m_view.connMode = ModeNameOf(line.parity, line.stopBits);
    m_view.connAddress = std::to_string(line.address);
}

void MainWindowModel::OnVarUpdated(int id, VarOutcome outcome, const ControllerValues& values) {
    switch (outcome) {
        case VarOutcome::Busy:
            break;  // asked again after a poll period; what is shown still holds
        case VarOutcome::Unknown:
        case VarOutcome::Refused:
            Forget(id);  // the controller answered: the line is fine, only this value is not
            break;
        case VarOutcome::Failed:
            ShowNotConnected(values.signs);
            break;
        case VarOutcome::Read:
            Take(id, values);
            break;
    }
    // Values still show (each is confirmed), but the operator should know why the line stumbles.
    if (values.repliesArriveTwice) {
        m_view.hint = CopiedRepliesWindowHint(m_line.address);
    }
}

namespace {

// Reads of one setting without a confirmed value before the window says it is not connected: on a line
// that needs confirmation, the second read of a value confirms it.
constexpr int kUnconfirmedReadsAtMost = 3;

// Whether the setting `id` has a confirmed value; empty for a variable that is no setting.
std::optional<bool> SettingKnown(int id, const ControllerValues& values) {
    switch (id) {
        case kVarConfStatus:
            return values.statusKnown;
        case kVarAddress:
            return values.address.has_value();
        case kVarBaudRate:
            return values.baudRate.has_value();
        case kVarCommMode:
            return values.mode.has_value();
        default:
            return std::nullopt;
    }
}

}  // namespace

void MainWindowModel::Take(int id, const ControllerValues& values) {
    switch (id) {
        case kVarModel:
            // Model and version are read once per connection: they do not change under it.
            if (m_view.connected && m_view.model.empty() && values.model) {
                m_view.model = fmt::format("ArdenoX {}", *values.model);
            }
            break;
        case kVarVersion:
            if (m_view.connected && m_view.version.empty() && values.version) {
                m_view.version = fmt::format("{}.{}", values.version->first, values.version->second);
            }
            break;
        case kVarAddress:
            if (values.address) {
                m_view.devAddress = std::to_string(*values.address);
                m_ownAddress = values.address;
            }
            break;
        case kVarBaudRate:
            if (values.baudRate) {
                m_view.devBaudRate = std::to_string(*values.baudRate);
                m_ownBaudRate = static_cast<std::uint32_t>(*values.baudRate);
            }
            break;
        case kVarCommMode:
            if (values.mode) {
                if (std::string name = ModeName(*values.mode); !name.empty()) {
                    m_view.devMode = std::move(name);
                    m_ownMode = values.mode;
                }
            }
            break;
        default:
            break;
    }
    // Only a setting whose value came proves a connection: model and version are read before them, and
    // a reply that the line's evidence leaves unconfirmed shows nothing. A setting read again and again
    // without a value that holds is no connection: the line spoils every reply.
    const std::optional<bool> known = SettingKnown(id, values);
    if (known == true) {
        m_unconfirmedReads.clear();
        if (!m_view.connected) {
            m_view.status = res::LoadString(res::IDS_CONNECTED);
            m_view.hint.clear();
            m_view.connected = true;
        }
    } else if (known == false && !m_view.connected && ++m_unconfirmedReads[id] >= kUnconfirmedReadsAtMost) {
        ShowNotConnected(values.signs);
    }
    UpdateReadEnabled();
}

void MainWindowModel::Forget(int id) {
    switch (id) {
        case kVarModel:
            m_view.model.clear();
            break;
        case kVarVersion:
            m_view.version.clear();
            break;
        case kVarAddress:
            m_view.devAddress.clear();
            m_ownAddress.reset();
            break;
        case kVarBaudRate:
            m_view.devBaudRate.clear();
            m_ownBaudRate.reset();
            break;
        case kVarCommMode:
            m_view.devMode.clear();
            m_ownMode.reset();
            break;
        default:
            break;
    }
    UpdateReadEnabled();
}

void MainWindowModel::ShowNotConnected(const traffic::LineSignCounts& signs) {
    m_view.connected = false;
    m_view.devBaudRate.clear();
    m_view.devMode.clear();
    m_view.devAddress.clear();
    m_ownBaudRate.reset();
    m_ownMode.reset();
    m_ownAddress.reset();
    m_view.model.clear();
    m_view.version.clear();
    m_view.status = res::LoadString(res::IDS_NOT_CONNECTED);
    // Silence after a write that changed how the controller answers is most likely its restart.
    m_view.hint = m_view.restartNote.empty()
                      ? NoAnswerWindowHint(m_line.baudRate, m_view.connMode, m_line.address, signs)
                      : RestartedWithWrittenHint(
                            SettingsPhrase(m_written->m_baudRate, m_written->m_mode, m_written->m_address));
    UpdateReadEnabled();
}

void MainWindowModel::UpdateReadEnabled() {
    m_view.readEnabled = !m_view.devBaudRate.empty() && !m_view.devMode.empty() && !m_view.devAddress.empty();
}

std::optional<std::string> MainWindowModel::OnPortLost(const CWriteProcedure* writeUnderWay) {
    if (m_portLostReported) {
        return std::nullopt;
    }
    m_portLostReported = true;
    if (writeUnderWay == nullptr) {
        return std::string();
    }
    return LostPortDuringWriteHint(writeUnderWay->GetConfig(), writeUnderWay->UnsavedWrites(),
                                   m_line.baudRate, m_view.connMode, m_line.address);
}

bool MainWindowModel::WriteEnabled(bool baudChosen, bool modeChosen, bool choosing, bool now) const {
    if (!m_view.connected) {
        return false;
    }
    return choosing ? now : baudChosen && modeChosen;
}

ReadChoice MainWindowModel::ChoiceOf(const ControllerValues& values) {
    ReadChoice choice;
    if (values.baudRate) {
        const auto* offered = std::find(BaudRateTable.begin(), BaudRateTable.end(), *values.baudRate);
        if (offered == BaudRateTable.end()) {
            choice.keptBaudRate = static_cast<std::uint32_t>(*values.baudRate);
            choice.line.baudIndex = static_cast<int>(BaudRateTable.size());
        } else {
            choice.line.baudIndex = static_cast<int>(offered - BaudRateTable.begin());
        }
    }
    if (values.mode) {
        const auto* known =
            std::find_if(CommModeTable.begin(), CommModeTable.end(),
                         [&](const CommModeEntry& entry) { return entry.m_mode == *values.mode; });
        if (known != CommModeTable.end()) {
            choice.line.modeIndex = static_cast<int>(known - CommModeTable.begin());
        }
    }
    if (values.address) {
        choice.line.address = std::to_string(*values.address);
    }
    return choice;
}

WriteRequest MainWindowModel::ToWrite(const LineChoice& shown, std::optional<std::uint32_t> keptBaudRate) {
    const IntegerCheck address = CheckAddress(shown.address);
    if (address.refusal) {
        return *address.refusal;
    }
    const auto baudIndex = static_cast<std::size_t>(shown.baudIndex);
    const bool baudShown = shown.baudIndex >= 0 && (baudIndex < BaudRateTable.size() || keptBaudRate);
    if (!baudShown || shown.modeIndex < 0) {
        return std::monostate{};
    }
    return CommConfig{baudIndex < BaudRateTable.size() ? BaudRateTable[baudIndex] : *keptBaudRate,
                      static_cast<std::uint8_t>(address.value),
                      CommModeTable.at(static_cast<std::size_t>(shown.modeIndex)).m_mode};
}

ChangedFields MainWindowModel::Changes(const LineChoice& shown,
                                       std::optional<std::uint32_t> keptBaudRate) const {
    ChangedFields changed;
    const auto baudIndex = static_cast<std::size_t>(shown.baudIndex);
    if (m_ownBaudRate && shown.baudIndex >= 0 && (baudIndex < BaudRateTable.size() || keptBaudRate)) {
        changed.baudRate =
            (baudIndex < BaudRateTable.size() ? BaudRateTable[baudIndex] : *keptBaudRate) != *m_ownBaudRate;
    }
    if (m_ownMode && shown.modeIndex >= 0) {
        changed.mode = CommModeTable.at(static_cast<std::size_t>(shown.modeIndex)).m_mode != *m_ownMode;
    }
    if (const IntegerCheck address = CheckAddress(shown.address); m_ownAddress && !address.refusal) {
        changed.address = static_cast<unsigned>(address.value) != *m_ownAddress;
    }
    return changed;
}

std::string MainWindowModel::WaitingSettings() const {
    std::vector<std::string> waiting;
    if (m_written->m_baudRate != m_line.baudRate) {
        waiting.push_back(fmt::format("{} baud", m_written->m_baudRate));
    }
    if (const std::string mode = ModeName(m_written->m_mode); mode != m_view.connMode) {
        waiting.push_back(mode);
    }
    if (m_written->m_address != m_line.address) {
        waiting.push_back(fmt::format("address {}", m_written->m_address));
    }
    return fmt::format("{}", fmt::join(waiting, ", "));
}

AfterWriteNotice MainWindowModel::WriteDone(const CommConfig& written) {
    m_written = written;
    // The connection's settings stay in use until the restart: the window changes none of them.
    const std::string waiting = WaitingSettings();
    m_view.restartNote =
        waiting.empty() ? std::string() : "Saved, in use after the next restart: " + waiting + ".";
    // Saved, not yet in use: say when it applies; a speed the connection dialog does not offer is said
    // to be out of its reach.
    const bool offered = IsOfferedBaudRate(written.m_baudRate);
    return {offered ? res::IDS_AFTER_WRITE : res::IDS_AFTER_WRITE_OUT_OF_REACH, written.m_baudRate,
            ModeName(written.m_mode), unsigned{written.m_address}};
}
