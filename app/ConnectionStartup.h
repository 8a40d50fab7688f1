#pragma once
// Connection start-up: one open, configured port and the slave address to use on it, from the settings
// that worked last time and the operator's confirmation. Only settings with which a port opened are
// remembered.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class CComDevice;
class IProfile;

struct ConnectionChoice {
    QString devicePath;
    std::uint32_t baudRate = 0;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t address = 0;
};

// Asks the operator, showing `shown`: the choice after OK, nothing after Cancel. Modal, no parent.
using ConnectionDialog = std::function<std::optional<ConnectionChoice>(const ConnectionChoice& shown)>;

// The connection settings dialog as that operation.
std::optional<ConnectionChoice> AskWithComChoiceDlg(const ConnectionChoice& shown);

// True when `device` holds an open port and its settings fields hold the values it was opened with;
// false when the operator cancelled, or at once when `device` has been opened before.
bool OpenConnection(CComDevice& device);
bool OpenConnection(CComDevice& device, IProfile& profile, const ConnectionDialog& askOperator);
