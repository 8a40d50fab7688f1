#pragma once
// Ctrl-C and termination requests (SIGTERM, SIGHUP; on Windows also closing the console, logging off and
// shutting down) end a command: the handlers only raise flags that the command's wait loop looks at.
// Ctrl-Break counts as Ctrl-C.

#include <atomic>

// Installs the handlers; call once, before any thread starts.
void InstallInterruptHandlers();
// From now on Ctrl-C no longer ends the command but is counted, for a command that must not be cut
// short by a single key press. Termination requests still end it.
void CountCtrlC();
// A termination request, or Ctrl-C while it is not counted.
bool Interrupted();
// The flag behind Interrupted(), for a wait below the command that watches it itself (a port opening).
const std::atomic<bool>& InterruptedFlag();
int CtrlCPresses();

// Ctrl-C during a write, once CountCtrlC is on: the first press only warns that stopping leaves the
// controller's settings unknown, the second one ends the write; a termination request ends it at once.
class WriteInterrupt {
public:
    // True once the write is to end; warns of the first Ctrl-C.
    bool Requested();
    // The write was ended by a second Ctrl-C (not by a termination request).
    bool Insisted() const { return m_presses > 1; }

private:
    int m_presses = 0;
};
