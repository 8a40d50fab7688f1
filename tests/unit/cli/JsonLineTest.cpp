#include "cli/JsonLine.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonLine, KeepsOrderAndSpacingAndEscapesAnyText) {
    struct Case {
        nlohmann::ordered_json object;
        std::string expected;
    };
    const Case cases[] = {
        {nlohmann::ordered_json::object(), "{}\n"},
        {{{"b", 1}, {"a", "x"}}, "{\"b\": 1, \"a\": \"x\"}\n"},
        {{{"say \"hi\"", "back\\slash\ttab\nline\x01"}},
         "{\"say \\\"hi\\\"\": \"back\\\\slash\\ttab\\nline\\u0001\"}\n"},
        {{{"bad", std::string("\xff")}}, "{\"bad\": \"\xef\xbf\xbd\"}\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JsonLine(c.object), c.expected);
    }
}

}  // namespace
