#include "win32/MessageBoxes.h"

#include <memory>
#include <string>

#include "win32/Text.h"

namespace {

constexpr const wchar_t* kReceiverClass = L"ArdenoXMessageReceiver";

DWORD g_uiThread = 0;
HWND g_receiver = nullptr;

void ShowOkBox(std::string_view text) {
    MessageBoxW(GetActiveWindow(), Wide(text).c_str(), kMessageCaption, MB_OK);
}

LRESULT CALLBACK Receive(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SHOW_MESSAGE) {
        const std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lParam));
        ShowOkBox(*text);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void ShowFromAnyThread(std::string_view text) {
    if (GetCurrentThreadId() == g_uiThread) {
        ShowOkBox(text);
        return;
    }
    auto copy = std::make_unique<std::string>(text);
    if (PostMessageW(g_receiver, WM_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(copy.get()))) {
        copy.release();  // the receiver owns it now
    }
}

}  // namespace

CMessageBoxSinkScope::CMessageBoxSinkScope() {
    WNDCLASSW receiverClass{};
    receiverClass.lpfnWndProc = Receive;
    receiverClass.hInstance = GetModuleHandleW(nullptr);
    receiverClass.lpszClassName = kReceiverClass;
    RegisterClassW(&receiverClass);
    m_receiver = CreateWindowW(kReceiverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    g_uiThread = GetCurrentThreadId();
    g_receiver = m_receiver;
    m_previous = platform::SetMessageBoxSink(ShowFromAnyThread);
}

CMessageBoxSinkScope::~CMessageBoxSinkScope() {
    platform::SetMessageBoxSink(std::move(m_previous));
    g_receiver = nullptr;
    DestroyWindow(m_receiver);
}
