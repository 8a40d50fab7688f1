#pragma once
// A field check's refusal shown as the edit field's balloon tip, with the focus put there; the caller
// just abandons its action. And the tooltips that explain a dialog's controls.
#include <string_view>

#include "present/IntegerField.h"
#include "win32/Win.h"

void ShowRefusal(HWND edit, const FieldRefusal& refusal);

// The tooltips of one dialog's controls: a tooltip control owned by the dialog, which goes with it.
class CControlTips {
public:
    // Gives `control` the tip `text`, or takes its tip away when `text` is empty.
    void Set(HWND control, std::string_view text);

private:
    HWND m_tips = nullptr;
};
