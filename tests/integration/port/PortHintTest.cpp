// The line added to an open failure for a port that does not exist: where ports are listed, and which
// exist, in a device folder of our own making.
#include "port/PortHint.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace {

class PortHintTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/ardenox-dev-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        devices = folder;
    }
    void TearDown() override { std::filesystem::remove_all(devices); }
    void Make(const std::filesystem::path& relative) {
        std::filesystem::create_directories((devices / relative).parent_path());
        std::ofstream(devices / relative).put('\n');
    }

    std::filesystem::path devices;
};

TEST_F(PortHintTest, ListsAdaptersByIdFirstAndLeavesOutTheAlwaysPresentUarts) {
    for (const char* node :
         {"ttyUSB1", "ttyS0", "null", "ttyACM0", "ttyUSB0", "serial/by-id/usb-FTDI_A12B3C"}) {
        Make(node);
    }
    const std::string d = devices.string();
    EXPECT_EQ(ExistingSerialPorts(devices),
              (std::vector<std::string>{d + "/serial/by-id/usb-FTDI_A12B3C", d + "/ttyACM0", d + "/ttyUSB0",
                                        d + "/ttyUSB1"}));

    const std::pair<int, std::string> cases[] = {
        {ENOENT, "No such port: USB adapters are listed in " + d + "/serial/by-id/; ports here: " + d +
                     "/serial/by-id/usb-FTDI_A12B3C, " + d + "/ttyACM0, " + d + "/ttyUSB0, " + d +
                     "/ttyUSB1."},
        {EACCES, ""},  // the permission hint's business
        {EBUSY, ""},
    };
    for (const auto& [error, hint] : cases) {
        EXPECT_EQ(MissingPortHint(static_cast<std::uint32_t>(error), devices), hint) << error;
    }
}

TEST_F(PortHintTest, WithoutAnyPortSaysToPlugTheAdapterIn) {
    Make("ttyS0");
    EXPECT_EQ(MissingPortHint(ENOENT, devices),
              "No such port, and no serial adapter is plugged in. Plug it in: it then appears in " +
                  devices.string() + "/serial/by-id/ (sudo dmesg | tail shows the node it was given).");
}

}  // namespace
