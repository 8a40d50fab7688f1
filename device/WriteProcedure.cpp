#include "device/WriteProcedure.h"

#include <fmt/printf.h>

#include "res/Strings.h"

namespace {

// A check of one read-back input against the value written to it.
template <typename Value, typename Expected>
CWriteProcedure::ParamVerifier MakeVerifier(unsigned nameId, CArdeno& controller,
                                            bool (CArdeno::*get)(Value&), Expected expected) {
    return {nameId, [&controller, get, expected](bool& matches) {
                Value value{};
                if (!(controller.*get)(value)) {
                    return false;
                }
                matches = static_cast<Expected>(value) == expected;
                return true;
            }};
}

}  // namespace

CWriteProcedure::CWriteProcedure(CArdeno& controller, const CommConfig& config, IWriteProcedureView& view)
    : m_controller(controller), m_config(config), m_view(view) {}

void CWriteProcedure::Start() {
    if (m_state != StateIdle) {
        return;
    }
    if (!QueueWrites()) {
        m_view.OnRejected(fmt::sprintf("Configuration rejected. %u, %u, %u", unsigned{m_config.m_address},
                                       m_config.m_baudRate, static_cast<unsigned>(m_config.m_mode)));
        return;
    }
    m_pending = {kVarAddressSet, kVarBaudRateSet, kVarCommModeSet};
    // Verified and saved are only values a second read confirms, however clean the line looked so far.
    m_controller.RequireConfirmation();
    SetupVerifiers();
    m_state = StateWriting;
    SetStatus(res::IDS_WRITING);
}

bool CWriteProcedure::QueueWrites() {
    return m_controller.varAddressSet.Set(m_controller, m_config.m_address) &&
           m_controller.varBaudRateSet.Set(m_controller, m_config.m_baudRate) &&
           m_controller.varCommModeSet.Set(m_controller, m_config.m_mode);
}

void CWriteProcedure::SetupVerifiers() {
    m_verifiers.clear();
    m_verifiers.emplace(kVarAddress, MakeVerifier(res::IDS_PARAM_ADDRESS, m_controller, &CArdeno::GetAddress,
                                                  std::uint8_t{m_config.m_address}));
    m_verifiers.emplace(kVarBaudRate,
                        MakeVerifier(res::IDS_PARAM_BAUD_RATE, m_controller, &CArdeno::GetBaudRate,
                                     static_cast<unsigned long>(m_config.m_baudRate)));
    m_verifiers.emplace(kVarCommMode, MakeVerifier(res::IDS_PARAM_MODE, m_controller, &CArdeno::GetCommMode,
                                                   m_config.m_mode));
}

std::vector<int> CWriteProcedure::UnsavedWrites() const {
    if (m_state != StateWriting && m_state != StateVerifying && m_state != StateSaving) {
        return {};
    }
    std::vector<int> written;
    for (int id : {kVarAddressSet, kVarBaudRateSet, kVarCommModeSet}) {
        if (!m_pending.contains(id)) {
            written.push_back(id);
        }
    }
    return written;
}

void CWriteProcedure::OnVarUpdated(int id) {
    switch (m_state) {
        case StateWriting:
            OnWriteReported(id);
            break;
        case StateVerifying:
            OnReadBack(id);
            break;
        case StateSaving:
            OnSaveWritten(id);
            break;
        case StateWaiting:
            OnStatusRead(id);
            break;
        case StateIdle:
        case StateFinished:
            break;
    }
}

void CWriteProcedure::OnWriteReported(int id) {
    m_pending.erase(id);
    if (m_pending.empty()) {
        m_state = StateVerifying;
        SetStatus(res::IDS_VERIFYING);
    }
}

void CWriteProcedure::OnReadBack(int id) {
    if (auto entry = m_verifiers.find(id); entry != m_verifiers.end()) {
        bool matches = false;
        if (entry->second.m_verify(matches)) {
            if (!matches) {
                m_state = StateFinished;
                m_view.OnVerificationFailed(fmt::sprintf(res::LoadString(res::IDS_VERIFY_FAILED),
                                                         res::LoadString(entry->second.m_nameId)));
                return;
            }
            m_verifiers.erase(entry);
        }
    }
    if (m_verifiers.empty()) {
        // The save command's own refusal cannot happen (every command value converts); its write
        // notification is what moves the procedure on.
        m_controller.varConfCommand.Set(m_controller, CArdeno::CommandSave);
        m_state = StateSaving;
        SetStatus(res::IDS_SAVING);
    }
}

void CWriteProcedure::OnSaveWritten(int id) {
    if (id == kVarConfCommand) {
        m_state = StateWaiting;
        SetStatus(res::IDS_WAITING_SAVE);
    }
}

// The save is over once the status reads anything accepted other than "saving" (0 or 2).
void CWriteProcedure::OnStatusRead(int id) {
    CArdeno::ECommConfStatus status{};
    if (id == kVarConfStatus && m_controller.GetConfStatus(status) && status != CArdeno::StatusSaving) {
        m_state = StateFinished;
        SetStatus(res::IDS_DONE);
        m_view.OnDone();
    }
}

void CWriteProcedure::SetStatus(unsigned stringId) {
    m_statusText = res::LoadString(stringId);
    m_view.OnStatusText(m_statusText);
}
