#include "win32/DialogWindow.h"

#include <algorithm>
#include <vector>

#include "win32/Text.h"

namespace {

// The dialogs that exist now, for the keyboard: all on the user-interface thread.
std::vector<HWND>& OpenDialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

struct Shortcuts {
    HWND dialog = nullptr;
    HACCEL keys = nullptr;
};
Shortcuts g_shortcuts;

}  // namespace

CDialogWindow::~CDialogWindow() {
    if (m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
}

bool CDialogWindow::Create(HWND owner) {
    m_owner = owner;
    m_ended = false;
    m_hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner, Procedure,
                                reinterpret_cast<LPARAM>(this));
    return m_hwnd != nullptr;
}

int CDialogWindow::RunModal(HWND owner) {
    if (!Create(owner)) {
        return -1;
    }
    if (owner != nullptr) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(m_hwnd, SW_SHOW);
    Pump([this] { return m_ended; });
    // The owner first, so that it takes the activation back when this one goes.
    if (owner != nullptr) {
        EnableWindow(owner, TRUE);
    }
    DestroyWindow(m_hwnd);
    return m_ended ? m_result : -1;
}

void CDialogWindow::EndDialog(int result) {
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_result = result;
    if (m_owner != nullptr) {
        EnableWindow(m_owner, TRUE);
    }
    ShowWindow(m_hwnd, SW_HIDE);
    OnEnded();
    // Wakes the loop, which checks for the end after every message.
    PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

bool CDialogWindow::TakeDialogMessage(MSG& message) {
    if (message.hwnd == nullptr) {
        return false;
    }
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const std::vector<HWND>& dialogs = OpenDialogs();
    if (std::find(dialogs.begin(), dialogs.end(), root) == dialogs.end()) {
        return false;
    }
    if (root == g_shortcuts.dialog && TranslateAcceleratorW(root, g_shortcuts.keys, &message) != 0) {
        return true;
    }
    return IsDialogMessageW(root, &message) != FALSE;
}

void CDialogWindow::SetShortcuts(HWND dialog, HACCEL keys) {
    g_shortcuts = {dialog, keys};
}

void CDialogWindow::SetText(int id, std::string_view text) const {
    SetItemText(m_hwnd, id, text);
}

std::string CDialogWindow::Text(int id) const {
    return ItemText(m_hwnd, id);
}

INT_PTR CALLBACK CDialogWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogWindow*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        OpenDialogs().push_back(hwnd);
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<CDialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                self->OnCancel();
            } else {
                self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            }
            return TRUE;
        case WM_CLOSE:
            self->OnClose();
            return TRUE;
        case WM_NCDESTROY: {
            std::vector<HWND>& dialogs = OpenDialogs();
            dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), hwnd), dialogs.end());
            self->m_hwnd = nullptr;
            return FALSE;
        }
        default:
            break;
    }
    INT_PTR result = 0;
    if (self->OnMessage(message, wParam, lParam, result)) {
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}
