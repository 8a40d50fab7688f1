// The texts the platform supplies for diagnostics: system error texts and time stamps.
#include <gtest/gtest.h>

#include <limits>

#include "platform/LocalTime.h"
#include "platform/SystemText.h"

namespace {

TEST(SystemErrorText, KnownCodesHaveTheSystemTextOthersNone) {
    const struct {
        std::uint32_t code;
        const char* text;
    } cases[] = {
        {2, "No such file or directory"},
        {5, "Input/output error"},
        {31, "A device attached to the system is not functioning."},  // not EMLINK: set by the port layer
        {23, "Data error (cyclic redundancy check)."},
        {0x20000001, "The port is in use by another program."},  // this program's own codes
        {0x20000102, "The controller refused the request: exception 2 (illegal data address)."},
        {0x20000199, "The controller refused the request: exception 153."},
        {0x20000200, ""},
        {100000, ""},      // strerror would invent "Unknown error 100000"
        {0xFFFFFFFF, ""},  // beyond any error number
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::SystemErrorText(c.code), c.text) << c.code;
    }
}

TEST(LocalTimeText, ConvertibleMomentsHaveATextOthersNone) {
    // Noon on 1 January 2000 (UTC) is in 2000 in every time zone.
    EXPECT_NE(platform::LocalTimeText(946728000).find("2000"), std::string::npos);
    EXPECT_EQ(platform::LocalTimeText(std::numeric_limits<std::time_t>::max()), "");
}

}  // namespace
