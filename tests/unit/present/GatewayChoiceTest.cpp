// The connection dialog's gateway choice: which ports it applies to, the port 502 Modbus TCP adds, and
// the window title that names the kind in use.
#include "present/GatewayChoice.h"

#include <gtest/gtest.h>

namespace {

using traffic::Framing;

TEST(GatewayChoice, ListRoundTripsEveryChoice) {
    const std::vector<std::string> texts = GatewayChoiceTexts();
    ASSERT_EQ(texts.size(), 3u);
    for (int index = 0; index < static_cast<int>(texts.size()); ++index) {
        EXPECT_EQ(GatewayChoiceIndex(FramingOfGatewayChoice(index)), index) << texts[index];
    }
    EXPECT_EQ(texts[GatewayChoiceIndex(Framing::Mbap)], "Modbus TCP gateway");
    EXPECT_FALSE(FramingOfGatewayChoice(-1));
}

TEST(GatewayChoice, OnlyATcpPortTakesItAndModbusTcpAddsPort502) {
    const struct {
        const char* port;
        std::optional<Framing> chosen;
        std::optional<Framing> used;
        const char* opened;
        const char* title;
    } rows[] = {
        {"tcp://10.0.0.5", Framing::Mbap, Framing::Mbap, "tcp://10.0.0.5:502",
         "tcp://10.0.0.5:502 (Modbus TCP gateway)"},
        {"tcp://10.0.0.5:4001", Framing::Mbap, Framing::Mbap, "tcp://10.0.0.5:4001",
         "tcp://10.0.0.5:4001 (Modbus TCP gateway)"},
        {"tcp://[fe80::1]", Framing::Mbap, Framing::Mbap, "tcp://[fe80::1]:502",
         "tcp://[fe80::1]:502 (Modbus TCP gateway)"},
        {"tcp://10.0.0.5:4001", Framing::Rtu, Framing::Rtu, "tcp://10.0.0.5:4001",
         "tcp://10.0.0.5:4001 (transparent bridge (RTU over TCP))"},
        {"rfc2217://10.0.0.5:4001", Framing::Mbap, std::nullopt, "rfc2217://10.0.0.5:4001",
         "rfc2217://10.0.0.5:4001"},
        {"/dev/ttyUSB0", Framing::Mbap, std::nullopt, "/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"\\\\.\\COM12", std::nullopt, std::nullopt, "\\\\.\\COM12", "COM12"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.port);
        const std::optional<Framing> used = FramingForPort(row.port, row.chosen);
        EXPECT_EQ(used, row.used);
        const std::string opened = PortForFraming(row.port, used);
        EXPECT_EQ(opened, row.opened);
        EXPECT_EQ(PortTitle(opened, used), row.title);
    }
    EXPECT_EQ(PortTitle("tcp://10.0.0.5:4001", std::nullopt),
              "tcp://10.0.0.5:4001 (neither a Modbus TCP gateway nor a bridge answered)");
}

}  // namespace
