// The port list from the system's own ports and a real pseudo-terminal.
#include "ui/PortDiscovery.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/connection/PseudoTerminal.h"

namespace {

TEST(PortDiscovery, RememberedDeviceIsOfferedOnlyWhileItsNodeExists) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().isEmpty());
    const std::vector<PortFacts> system = SystemPorts();
    const std::string path = pty.Path().toStdString();
    const std::vector<std::string> withPty = DiscoverPorts(EPortNaming::Posix, system, path);
    EXPECT_EQ(std::count(withPty.begin(), withPty.end(), path), 1);
    EXPECT_EQ(withPty.size(), DiscoverPorts(EPortNaming::Posix, system, {}).size() + 1);

    const std::vector<std::string> withoutPty =
        DiscoverPorts(EPortNaming::Posix, system, "/dev/ardenox-missing");
    EXPECT_EQ(std::count(withoutPty.begin(), withoutPty.end(), "/dev/ardenox-missing"), 0);
    const std::vector<std::string> none = DiscoverPorts(EPortNaming::Posix, system, {});
    EXPECT_EQ(std::count(none.begin(), none.end(), ""), 0);
}

}  // namespace
