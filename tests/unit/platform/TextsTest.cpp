// The texts the platform supplies for diagnostics: system error texts and time stamps.
#include <gtest/gtest.h>

#include <limits>

#include "platform/LastError.h"
#include "platform/LocalTime.h"
#include "platform/SystemText.h"

namespace {

TEST(SystemErrorText, KnownCodesHaveTheSystemTextOthersNone) {
    const struct {
        std::uint32_t code;
        const char* text;
    } cases[] = {
#ifdef _WIN32
        // The message table's wording differs between Windows versions and wine: only that there is one.
        {2, "*"},
        {5, "*"},
        {31, "*"},
        {23, "*"},
        {100000, ""},  // the C++ runtime would invent "Unknown error code"
#else
        {2, "No such file or directory"},
        {5, "Input/output error"},
        {31, "A device attached to the system is not functioning."},  // not EMLINK: set by the port layer
        {23, "Data error (cyclic redundancy check)."},
        {100000, ""},  // strerror would invent "Unknown error 100000"
#endif
        {0x20000001, "The port is in use by another program."},  // this program's own codes
        {0x20000102, "The controller refused the request: exception 2 (illegal data address)."},
        {0x20000199, "The controller refused the request: exception 153."},
        {0x20000200, ""},
        {0xFFFFFFFF, ""},  // beyond any error number
    };
    for (const auto& c : cases) {
        const std::string text = platform::SystemErrorText(c.code);
        if (c.text == std::string_view("*")) {
            EXPECT_NE(text, "") << c.code;
        } else {
            EXPECT_EQ(text, c.text) << c.code;
        }
    }
}

#ifdef _WIN32
TEST(SystemErrorText, LeavesTheLastErrorAsItWas) {
    platform::SetLastError(ERROR_CRC);
    EXPECT_EQ(platform::SystemErrorText(100000), "");  // FormatMessage fails and sets an error of its own
    EXPECT_EQ(platform::GetLastError(), ERROR_CRC);
}
#endif

TEST(LocalTimeText, ConvertibleMomentsHaveATextOthersNone) {
    // Noon on 1 January 2000 (UTC) is in 2000 in every time zone.
    EXPECT_NE(platform::LocalTimeText(946728000).find("2000"), std::string::npos);
    EXPECT_EQ(platform::LocalTimeText(std::numeric_limits<std::time_t>::max()), "");
}

}  // namespace
