#include "win32/Text.h"

#include "device/ControllerFacts.h"
#include "res/Strings.h"

std::wstring Wide(std::string_view text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Utf8(std::wstring_view text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                        nullptr, nullptr);
    return narrow;
}

std::string ItemText(HWND dialog, int id) {
    const HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return Utf8(text);
}

void SetItemText(HWND dialog, int id, std::string_view text) {
    // Only a change is set: a read-only field that is set again flickers and loses its selection.
    if (ItemText(dialog, id) != text) {
        SetDlgItemTextW(dialog, id, Wide(text).c_str());
    }
}

void FillList(HWND list, const std::vector<std::string>& texts) {
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& text : texts) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    }
}

std::vector<std::string> BaudRateTexts() {
    std::vector<std::string> texts;
    for (const std::uint32_t baudRate : BaudRateTable) {
        texts.push_back(std::to_string(baudRate));
    }
    return texts;
}

std::vector<std::string> ModeTexts() {
    std::vector<std::string> texts;
    for (const CommModeEntry& mode : CommModeTable) {
        texts.emplace_back(res::LoadString(mode.m_nameId));
    }
    return texts;
}
