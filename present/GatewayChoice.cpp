#include "present/GatewayChoice.h"

#include "device/GatewayProbe.h"
#include "port/NetworkPort.h"
#include "present/PortRules.h"

namespace {

// Index 0 asks on connect.
constexpr traffic::Framing kListed[] = {traffic::Framing::Mbap, traffic::Framing::Rtu};

}  // namespace

std::vector<std::string> GatewayChoiceTexts() {
    std::vector<std::string> texts{"Ask the gateway on connect"};
    for (const traffic::Framing framing : kListed) {
        std::string text = GatewayKindText(framing);
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        texts.push_back(text);
    }
    return texts;
}

int GatewayChoiceIndex(std::optional<traffic::Framing> framing) {
    for (int k = 0; framing && k < static_cast<int>(std::size(kListed)); ++k) {
        if (kListed[k] == *framing) {
            return k + 1;
        }
    }
    return 0;
}

std::optional<traffic::Framing> FramingOfGatewayChoice(int index) {
    if (index < 1 || index > static_cast<int>(std::size(kListed))) {
        return std::nullopt;
    }
    return kListed[index - 1];
}

bool GatewayChoiceApplies(const std::string& port) {
    return port::NetworkProtocolOf(port) == port::NetworkProtocol::Raw;
}

std::optional<traffic::Framing> FramingForPort(const std::string& port,
                                               std::optional<traffic::Framing> chosen) {
    return GatewayChoiceApplies(port) ? chosen : std::nullopt;
}

std::string PortForFraming(const std::string& port, std::optional<traffic::Framing> framing) {
    return framing == traffic::Framing::Mbap ? port::WithModbusTcpPort(port) : port;
}

std::string PortTitle(const std::string& port, std::optional<traffic::Framing> framing) {
    if (!GatewayChoiceApplies(port)) {
        return PortText(port);
    }
    return port + " (" +
           (framing ? GatewayKindText(*framing) : "neither a Modbus TCP gateway nor a bridge answered") + ")";
}
