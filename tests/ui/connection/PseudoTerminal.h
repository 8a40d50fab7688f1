#pragma once
// A real pseudo-terminal pair for tests: the tool opens the device path, the test keeps the other end.
#include <pty.h>
#include <unistd.h>

#include <QString>

class PseudoTerminal {
public:
    PseudoTerminal() {
        int device = -1;
        char name[128] = {};
        if (openpty(&m_controller, &device, name, nullptr, nullptr) == 0) {
            m_path = QString::fromLocal8Bit(name);
            ::close(device);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() {
        if (m_controller >= 0) {
            ::close(m_controller);
        }
    }

    // The device path the tool opens; empty when no pair could be made.
    const QString& Path() const { return m_path; }

private:
    int m_controller = -1;
    QString m_path;
};
