#pragma once
// Connection start-up without a toolkit: one open, configured port and the slave address to use on it,
// from the settings that worked last time and the operator's confirmation. Each front end brings its
// dialog and its profile store; only settings with which a port opened are remembered.
#include <functional>
#include <optional>

#include "device/WriteProcedure.h"
#include "present/RememberedConnection.h"
#include "traffic/Frame.h"

class CComDevice;

// Asks the operator, showing `shown`: the choice after OK, nothing after Cancel. Modal, no parent.
using ConnectionDialog = std::function<std::optional<ConnectionChoice>(const ConnectionChoice& shown)>;

// True when `device` holds an open port and its settings fields hold the values it was opened with;
// false when the operator cancelled, or at once when `device` has been opened before. `written`:
// settings just written into the controller, offered on the remembered port in place of the remembered
// line settings and address.
bool StartConnection(CComDevice& device, ISettingsStore& store, const ConnectionDialog& askOperator,
                     const std::optional<CommConfig>& written = std::nullopt);

// Before anything is written on a tcp:// port whose gateway kind was not chosen: asks which kind it
// reaches (GatewayProbe.h), its frames reported to `frames`. False when the gateway dropped the
// connection then: the operator has been told and the port is closed.
bool SettleGatewayKind(CComDevice& port, traffic::IFrameObserver* frames);
