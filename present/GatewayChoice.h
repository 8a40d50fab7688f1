#pragma once
// The connection dialog's choice of gateway kind, which only a tcp:// port has: asked on connect, a
// Modbus TCP gateway (port 502 unless the name gives one), or a transparent bridge passing RTU frames.
// Remembered with the port; the main window's title names the kind in use.
#include <optional>
#include <string>
#include <vector>

#include "traffic/Frame.h"

// The list's entries, in the order of GatewayChoiceIndex.
std::vector<std::string> GatewayChoiceTexts();
int GatewayChoiceIndex(std::optional<traffic::Framing> framing);
std::optional<traffic::Framing> FramingOfGatewayChoice(int index);

// Whether the choice means anything for the port name shown: only a tcp:// port may be either kind.
bool GatewayChoiceApplies(const std::string& port);

// The framing a connection to `port` uses for the dialog's choice (none for any other port) and the
// port's name with Modbus TCP's port added when that is chosen and the name gives none.
std::optional<traffic::Framing> FramingForPort(const std::string& port,
                                               std::optional<traffic::Framing> chosen);
std::string PortForFraming(const std::string& port, std::optional<traffic::Framing> framing);

// The port as the main window's title names it: "tcp://10.0.0.5:502 (Modbus TCP gateway)", "COM12"
// (PortText); a tcp:// port whose kind no probe found says so.
std::string PortTitle(const std::string& port, std::optional<traffic::Framing> framing);
