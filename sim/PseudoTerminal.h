#pragma once
// A pseudo-terminal pair seen from the controller's side: the controller's end is read and written
// here, the tool opens the other end by its path. A descriptor of the tool's end stays open in here so
// that the controller's end keeps working while the tool has the port closed.
#include <string>

namespace sim {

class PseudoTerminal {
public:
    // Creates the pair with the tool's end in raw mode. Throws std::system_error on failure.
    PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    // The controller's end, non-blocking; -1 once closed.
    int ControllerFd() const { return m_controllerFd; }
    // The stand-in's own descriptor of the tool's end: it shows the settings the tool has made.
    int ToolFd() const { return m_heldToolFd; }
    // The device path of the tool's end.
    const std::string& ToolPath() const { return m_toolPath; }
    // Closes both ends: the device node disappears and the tool's end hangs up.
    void Close();

private:
    int m_controllerFd = -1;
    int m_heldToolFd = -1;
    std::string m_toolPath;
};

}  // namespace sim
