#pragma once
// A dialog from the resource script with a C++ object behind it. Every dialog is created modeless and
// runs in a message loop of our own, so that the keyboard (IsDialogMessage) works in every dialog that
// is open, the modeless Traffic window included, and so that a quit request ends every loop that runs,
// as it ends every modal loop on Windows.
#include <string>
#include <string_view>

#include "win32/Win.h"

class CDialogWindow {
public:
    explicit CDialogWindow(int templateId) : m_templateId(templateId) {}
    CDialogWindow(const CDialogWindow&) = delete;
    CDialogWindow& operator=(const CDialogWindow&) = delete;
    virtual ~CDialogWindow();

    // Creates the dialog hidden-or-shown as its template says, owned by `owner`.
    bool Create(HWND owner);
    // Creates the dialog, disables the owner and runs the loop until EndDialog: its result, or -1 when
    // the program was asked to quit (the quit request stays for the loops outside).
    int RunModal(HWND owner);
    void EndDialog(int result);

    HWND Handle() const { return m_hwnd; }
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    bool Ended() const { return m_ended; }

    // Handles the keyboard of whichever of our dialogs `message` is for; false when it is none of theirs.
    static bool TakeDialogMessage(MSG& message);
    // Shortcuts of `dialog` (a table of the resource script), taken before its keyboard; null keys: none.
    static void SetShortcuts(HWND dialog, HACCEL keys);
    // Runs the message loop until `done` (checked after every message) or a quit request (false then).
    template <typename Done>
    static bool Pump(Done done) {
        MSG message;
        while (!done()) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got <= 0) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            if (!TakeDialogMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return true;
    }

protected:
    virtual bool OnInitDialog() { return true; }  // true: the system sets the focus
    virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    // Escape and a Cancel button (IDCANCEL).
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The caption's close box and Alt+F4: as Cancel unless the dialog says otherwise.
    virtual void OnClose() { OnCancel(); }
    // Any other message; true when handled, with `result` the dialog procedure's answer.
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) {
        return false;
    }
    // After EndDialog: the window is hidden, the loop ends with the next message.
    virtual void OnEnded() {}

    void SetText(int id, std::string_view text) const;
    std::string Text(int id) const;
    void Enable(int id, bool enabled) const { EnableWindow(Item(id), enabled ? TRUE : FALSE); }
    bool IsEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    const int m_templateId;
    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    bool m_ended = false;
    int m_result = 0;
};
