#include "cli/Interrupt.h"

#include <atomic>

#include "cli/Messages.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace {

// Lock-free atomics are safe in a signal handler; Windows calls its handler on a thread of its own.
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);
std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_countingCtrlC{false};
std::atomic<int> g_ctrlCPresses{0};

void OnCtrlC() {
    if (g_countingCtrlC) {
        ++g_ctrlCPresses;
    } else {
        g_interrupted = true;
    }
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            OnCtrlC();
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            g_interrupted = true;
            // Windows ends the process as soon as this returns (at the latest after a few seconds);
            // waiting lets the command close the port and return its exit code first.
            Sleep(INFINITE);
            return TRUE;
        default:
            return FALSE;
    }
}
#else
extern "C" void OnSignal(int signal) {
    if (signal == SIGINT) {
        OnCtrlC();
    } else {
        g_interrupted = true;
    }
}
#endif

}  // namespace

void InstallInterruptHandlers() {
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or a supervisor's reload is a termination request too, not a silent death.
    sigaction(SIGHUP, &action, nullptr);
#endif
}

void CountCtrlC() {
    g_countingCtrlC = true;
}

bool Interrupted() {
    return g_interrupted;
}

const std::atomic<bool>& InterruptedFlag() {
    return g_interrupted;
}

int CtrlCPresses() {
    return g_ctrlCPresses;
}

bool WriteInterrupt::Requested() {
    const int presses = CtrlCPresses();
    if (presses == 1 && m_presses == 0) {
        PrintNote(
            "Interrupting now leaves the controller's settings in an unknown state. Press Ctrl-C again to "
            "abort.");
    }
    m_presses = presses;
    return presses > 1 || Interrupted();
}
