#include "present/WriteProgress.h"

#include <cctype>

#include "device/UnsavedSettings.h"
#include "present/LineSettingsText.h"
#include "res/Strings.h"

WriteProgress::WriteProgress(CArdeno& controller, const CommConfig& config, std::function<void()> changed)
    : m_procedure(controller, config, *this), m_refusals(controller), m_changed(std::move(changed)) {}

void WriteProgress::OnUpdate(const DeviceEvent& event) {
    if (m_end != End::Running) {
        return;
    }
    if (const std::string refusal = m_refusals.StayingRefusal(event); !refusal.empty()) {
        std::string message = refusal + ". The write stopped there";
        const std::string left = UnsavedSettingsText(m_procedure.GetConfig(), m_procedure.UnsavedWrites(),
                                                     ModeName(m_procedure.GetConfig().m_mode));
        message += left.empty() ? "; nothing was saved." : ": " + left + ".";
        message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        Finish(End::Refused, message);
        return;
    }
    // Failed exchanges are retried by the device and change nothing in the procedure.
    if (event.success) {
        m_procedure.OnVarUpdated(event.id);
    }
}

std::string WriteProgress::CancelQuestion() {
    return std::string(res::LoadString(res::IDS_CANCEL_WARNING));
}

void WriteProgress::OnStatusText(const std::string& /*text*/) {
    if (m_changed && m_end == End::Running) {
        m_changed();
    }
}

void WriteProgress::Finish(End end, const std::string& message) {
    m_end = end;
    m_message = message;
    if (m_changed) {
        m_changed();
    }
}
