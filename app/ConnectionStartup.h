#pragma once
// Connection start-up: one open, configured port and the slave address to use on it, from the settings
// that worked last time and the operator's confirmation. Only settings with which a port opened are
// remembered.
#include <cstdint>
#include <functional>
#include <optional>

#include "device/WriteProcedure.h"
#include "present/ConnectionStartup.h"
#include "traffic/Frame.h"
#include "ui/PortDiscovery.h"

class CComDevice;
class IProfile;

// The connection settings dialog as that operation, listing the ports of `ports`; Find reports its
// frames to `findTap` when one is given.
ConnectionDialog ComChoiceDialog(PortSource ports, traffic::IFrameObserver* findTap = nullptr);
// The same with the system's ports and no tap.
std::optional<ConnectionChoice> AskWithComChoiceDlg(const ConnectionChoice& shown);

// True when `device` holds an open port and its settings fields hold the values it was opened with;
// false when the operator cancelled, or at once when `device` has been opened before.
// `written`: settings just written into the controller, offered on the remembered port in place of the
// remembered line settings and address. `findTap`: where the dialog's Find reports its frames.
bool OpenConnection(CComDevice& device, const std::optional<CommConfig>& written = std::nullopt,
                    traffic::IFrameObserver* findTap = nullptr);
bool OpenConnection(CComDevice& device, IProfile& profile, const ConnectionDialog& askOperator,
                    const std::optional<CommConfig>& written = std::nullopt);
