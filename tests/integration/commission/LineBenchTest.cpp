// The commissioning bench's steps against the stand-in: every connection follows the operator's recipe
// (here a reply time for a slow controller), and a write the controller refuses ends at once, naming
// the exception.
#include "commission/LineBench.h"

#include <gtest/gtest.h>

#include "sim/ControllerSim.h"

namespace {

constexpr double kStepSeconds = 20;
constexpr ScanCandidate kTo{{38400, 0}, 20};

class QuietBench : public CLineBench {
public:
    using CLineBench::CLineBench;
    void Pause() override {}
    void Prompt(const std::string&) override {}
    bool Record(const UnitRecord&) override { return true; }

private:
    void OnWriteStep(const std::string&) override {}
};

TEST(LineBench, WritesAsTheRecipeSaysAndEndsAtOnceOnARefusal) {
    struct Case {
        const char* name;
        std::chrono::milliseconds latency;
        std::optional<sim::ReplyFault> fault;
        std::uint32_t recipeReplyMs;
        StepCode code;
        const char* failurePart;
    };
    const Case cases[] = {
        // Read back only: a whole write on a line this slow takes longer than a test should.
        {"slow controller", std::chrono::milliseconds(250), std::nullopt, 400, kBenchOk, ""},
        {"refused write",
         {},
         sim::ReplyFault{.kind = sim::FaultKind::Exception, .exceptionCode = 2, .function = 6},
         CComDevice::kDefaultReplyTimeoutMs,
         kBenchRefused,
         "exception 2 (illegal data address)"},
    };
    for (const Case& c : cases) {
        sim::Config config;
        config.latency = {c.latency, c.latency};
        config.saveDuration = std::chrono::milliseconds(100);
        sim::ControllerSim controller(config);
        if (c.fault) {
            controller.AddFault(*c.fault);
        }
        ConnectionRecipe recipe{.port = controller.DevicePath()};
        recipe.SetWholeReplyTime(c.recipeReplyMs);
        QuietBench bench(recipe, kStepSeconds);
        std::optional<std::uint16_t> firmware = 205;
        bool holds = false;
        const auto started = std::chrono::steady_clock::now();
        const StepCode code = c.latency.count() != 0 ? bench.ReadBack(kFactorySettings, holds)
                                                     : bench.Write(kFactorySettings, kTo, firmware);
        EXPECT_EQ(code, c.code) << c.name << ": " << bench.FailureText();
        EXPECT_NE(bench.FailureText().find(c.failurePart), std::string::npos)
            << c.name << ": " << bench.FailureText();
        // At once: well before the step's own time limit, which a retried refusal would run into.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::duration<double>(kStepSeconds))
            << c.name;
        EXPECT_EQ(firmware, std::optional<std::uint16_t>(205)) << c.name;
    }
}

}  // namespace
