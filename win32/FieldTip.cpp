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
