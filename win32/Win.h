#pragma once
// The Windows headers as the window's files take them: Unicode, without the names that clash with ours
// (res::LoadString, std::min and std::max).
#ifndef UNICODE
#define UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#undef LoadString

// The messages the device worker and the other worker threads post to a window.
enum : UINT {
    WM_DEVICE_VAR_UPDATED = WM_APP + 1,  // wParam: variable id, lParam: EncodedOutcome
    WM_DEVICE_ERROR = WM_APP + 2,        // wParam: error code
    WM_WORKER_PROGRESS = WM_APP + 3,     // a worker has something new to show
    WM_WORKER_ENDED = WM_APP + 4,        // a worker thread has ended its run
    WM_SHOW_MESSAGE = WM_APP + 5,        // lParam: a message box text (std::string*, taken by the receiver)
};
