#include "win32/FieldTip.h"

#include <string>

#include "win32/Text.h"

void ShowRefusal(HWND edit, const FieldRefusal& refusal) {
    const std::wstring title = Wide(refusal.title);
    const std::wstring text = Wide(refusal.message);
    EDITBALLOONTIP tip{sizeof tip, title.c_str(), text.c_str(), TTI_ERROR};
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&tip));
}

void CControlTips::Set(HWND control, std::string_view text) {
    if (m_tips == nullptr) {
        m_tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 GetParent(control), nullptr, GetModuleHandleW(nullptr), nullptr);
        // The explanations run to a few sentences: wrapped, and left long enough to be read.
        SendMessageW(m_tips, TTM_SETMAXTIPWIDTH, 0, 320);
        SendMessageW(m_tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    }
    std::wstring wide = Wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    SendMessageW(m_tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!wide.empty()) {
        SendMessageW(m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}
