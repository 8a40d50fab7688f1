#include "present/WriteProgress.h"

#include <cctype>

#include "device/UnsavedSettings.h"
#include "present/LineSettingsText.h"
#include "res/Strings.h"

namespace {

std::string WriteHeadline(CArdeno& controller, const CommConfig& to) {
    const std::string next = SettingsPhrase(to.m_baudRate, to.m_mode, to.m_address);
    unsigned long baudRate = 0;
    CArdeno::ECommModeSetting mode{};
    unsigned char address = 0;
    if (!controller.GetBaudRate(baudRate) || !controller.GetCommMode(mode) ||
        !controller.GetAddress(address) || ModeName(mode).empty()) {
        return "To " + next;
    }
    return "From " + SettingsPhrase(static_cast<std::uint32_t>(baudRate), mode, address) + "\nto " + next;
}

}  // namespace

WriteProgress::WriteProgress(CArdeno& controller, const CommConfig& config, std::function<void()> changed)
    : m_procedure(controller, config, *this),
      m_refusals(controller),
      m_changed(std::move(changed)),
      m_headline(WriteHeadline(controller, config)) {}

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
