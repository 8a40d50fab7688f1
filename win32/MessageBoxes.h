#pragma once
// The operator's message boxes: modal, no icon, the application's name as caption, owned by the window
// that is active so that it cannot be used meanwhile. A report made on another thread (a port that
// fails while the commissioning thread opens it) is posted to the user-interface thread, which shows it
// when it next runs its messages; the reporting thread does not wait for the operator.
#include <string_view>

#include "platform/DebugOutput.h"
#include "win32/Win.h"

inline constexpr const wchar_t* kMessageCaption = L"ArdenoXModbus";

// Installs the OK-only message box as the log service's sink for the lifetime of the holder; made on
// the user-interface thread.
class CMessageBoxSinkScope {
public:
    CMessageBoxSinkScope();
    CMessageBoxSinkScope(const CMessageBoxSinkScope&) = delete;
    CMessageBoxSinkScope& operator=(const CMessageBoxSinkScope&) = delete;
    ~CMessageBoxSinkScope();

private:
    platform::TextSink m_previous;
    HWND m_receiver = nullptr;  // takes the texts posted from other threads
};
