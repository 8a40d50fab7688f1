// The scan against the stand-in on a real pseudo-terminal: it finds the controller at a speed and an
// address that are not the defaults, and a slow one at its own speed; says what the controller holds,
// and stops when cancelled.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "scan/ScanEngine.h"
#include "sim/ControllerSim.h"

namespace {

// Generous, so that a loaded machine cannot make the stand-in miss its probe.
constexpr ScanOptions kPatient{.answerMs = 60};

class ProbeCounter : public IScanObserver {
public:
    void OnProbe(const ScanProgress& progress) override {
        EXPECT_EQ(progress.tried, m_probes) << "progress counts every probe";
        ++m_probes;
    }
    std::size_t m_probes = 0;
};

// Like the controller, the stand-in answers only reads of one register.
sim::Config Stored(sim::CommSettings settings) {
    sim::Config config;
    config.settings = settings;
    config.singleRegisterReads = true;
    return config;
}

std::vector<ScanCandidate> Sweep(LineSettings line, unsigned lastAddress) {
    std::vector<ScanCandidate> candidates;
    for (unsigned address = 1; address <= lastAddress; ++address) {
        candidates.push_back({line, static_cast<std::uint8_t>(address)});
    }
    return candidates;
}

TEST(ScanEngine, FindsTheControllerAndSaysWhatItHolds) {
    struct Case {
        const char* name;
        sim::CommSettings written;  // written but not restarted; {} = as stored
        std::optional<ScanCandidate> holds;
        bool holdsConfirmed;
    };
    // The stand-in runs at 38400 baud, none/2, address 5; a pseudo-terminal cannot show parity, so it
    // answers the even-parity probe first.
    const ScanCandidate stored{{38400, 2}, 5};
    const Case cases[] = {
        {"holds what it runs at", {}, stored, true},
        {"saved settings wait for a restart", {9, 576, 3}, ScanCandidate{{57600, 3}, 9}, false},
        {"unreadable settings", {5, 384, 7}, std::nullopt, false},
        // Every baud code reads; a speed no line runs at is reported, never tried.
        {"a baud code outside the four", {5, 48, 2}, ScanCandidate{{4800, 2}, 5}, false},
        {"baud code 0", {5, 0, 2}, ScanCandidate{{0, 2}, 5}, false},
    };
    for (const Case& c : cases) {
        sim::ControllerSim controller(Stored({5, 384, 2}));
        if (c.written != sim::CommSettings{}) {
            controller.SetRegister(sim::Table::Holding, sim::kRegAddress, c.written.address);
            controller.SetRegister(sim::Table::Holding, sim::kRegBaud, c.written.baudHundreds);
            controller.SetRegister(sim::Table::Holding, sim::kRegMode, c.written.mode);
        }
        std::vector<ScanCandidate> candidates = Sweep(kFactorySettings.line, 3);
        for (const ScanCandidate& candidate : Sweep({38400, 0}, 8)) {
            candidates.push_back(candidate);
        }
        ProbeCounter counter;
        const ScanResult result = CScanEngine(kPatient).Run(controller.DevicePath(), candidates, counter);

        ASSERT_EQ(result.outcome, ScanResult::Found) << c.name;
        EXPECT_EQ(result.tried, 3u + 5u) << c.name << ": the scan ends with the first controller";
        EXPECT_EQ(counter.m_probes, result.tried) << c.name;
        ASSERT_EQ(result.found.size(), 1u) << c.name;
        const FoundController& found = result.found[0];
        EXPECT_EQ(found.answered, (ScanCandidate{{38400, 0}, 5})) << c.name;
        EXPECT_EQ(found.holds, c.holds) << c.name;
        EXPECT_EQ(found.holdsConfirmed, c.holdsConfirmed) << c.name;
        EXPECT_EQ(found.Working(), c.holdsConfirmed ? stored : found.answered) << c.name;
        EXPECT_TRUE(found.fasterThanLine) << c.name << ": a pseudo-terminal carries bytes at once";
    }
}

TEST(ScanEngine, FindsASlowControllerAtItsOwnSpeed) {
    // Its replies come after the probe's wait, in the windows of probes to other addresses and speeds.
    // The scan's own short waits are the point, so it runs with the default answer time.
    const std::chrono::milliseconds lateness[] = {
        std::chrono::milliseconds(25), std::chrono::milliseconds(40), std::chrono::milliseconds(60),
        std::chrono::milliseconds(100)};
    for (const std::chrono::milliseconds late : lateness) {
        sim::ControllerSim controller(Stored({5, 384, 2}));
        controller.AddFault({.kind = sim::FaultKind::LateReply, .delay = late});
        std::vector<ScanCandidate> candidates;
        for (const LineSettings line :
             {LineSettings{57600, 0}, LineSettings{38400, 0}, LineSettings{19200, 0}}) {
            for (const ScanCandidate& candidate : Sweep(line, 12)) {
                candidates.push_back(candidate);
            }
        }
        ProbeCounter counter;
        const ScanResult result = CScanEngine().Run(controller.DevicePath(), candidates, counter);

        ASSERT_EQ(result.outcome, ScanResult::Found) << late.count() << " ms late";
        ASSERT_EQ(result.found.size(), 1u) << late.count() << " ms late";
        EXPECT_EQ(result.found[0].answered, (ScanCandidate{{38400, 0}, 5})) << late.count() << " ms late";
        EXPECT_EQ(result.found[0].Working(), (ScanCandidate{{38400, 2}, 5})) << late.count() << " ms late";
    }
}

TEST(ScanEngine, ReportsNothingAnsweredAndAPortThatCannotOpen) {
    sim::ControllerSim controller(Stored({5, 96, 0}));
    ProbeCounter counter;
    const ScanResult silent =
        CScanEngine(kPatient).Run(controller.DevicePath(), Sweep({57600, 0}, 6), counter);
    EXPECT_EQ(silent.outcome, ScanResult::NothingAnswered);
    EXPECT_EQ(silent.tried, 6u);
    EXPECT_TRUE(silent.found.empty());

    const ScanResult missing =
        CScanEngine(kPatient).Run("/dev/ardenox-missing", Sweep({57600, 0}, 6), counter);
    EXPECT_EQ(missing.outcome, ScanResult::PortFailed);
    EXPECT_NE(missing.error, 0u);
}

TEST(ScanEngine, DamagedRepliesAreAskedAgainAndTheirLineSettingIsNamed) {
    sim::ControllerSim controller(Stored({5, 96, 0}));
    controller.AddFault({.kind = sim::FaultKind::BadCrc});
    ProbeCounter counter;
    const ScanResult result =
        CScanEngine(kPatient).Run(controller.DevicePath(), Sweep({9600, 0}, 6), counter);
    EXPECT_EQ(result.outcome, ScanResult::NothingAnswered);
    EXPECT_GT(result.tried, 6u) << "the probes a damaged reply may answer are asked again";
    EXPECT_EQ(result.damagedRetries, 3u);
    EXPECT_EQ(result.damagedAt, (std::vector<LineSettings>{{9600, 0}}));
}

// Bytes that came back but no controller: a unit answering under another address names its sender,
// the adapter's echo alone is named as such.
TEST(ScanEngine, WhatCameBackWithoutAControllerIsNamed) {
    struct Case {
        sim::ReplyFault fault;
        bool echo;
        const char* text;
    };
    const Case cases[] = {
        {{.kind = sim::FaultKind::OtherAddress},
         false,
         "replies from address 6 (at 9600 baud, Even, 1 stop bit) came to requests for other addresses: "
         "another master may be polling the bus"},
        {{.kind = sim::FaultKind::NoReply}, true, "only the adapter's own echo came back"},
    };
    for (const Case& c : cases) {
        sim::Config config = Stored({5, 96, 0});
        config.echo = c.echo;
        sim::ControllerSim controller(config);
        controller.AddFault(c.fault);
        ProbeCounter counter;
        const ScanResult result =
            CScanEngine(kPatient).Run(controller.DevicePath(), Sweep({9600, 0}, 6), counter);
        EXPECT_EQ(result.outcome, ScanResult::NothingAnswered);
        EXPECT_TRUE(NoValidReplyText(result).starts_with(c.text)) << NoValidReplyText(result) << "\n"
                                                                  << traffic::DescribeSigns(result.signs);
    }
}

// A poor line lets some replies through: the probe that drew damaged ones is asked again before the rest.
TEST(ScanEngine, AProbeWithDamagedRepliesIsAskedAgainBeforeTheRest) {
    sim::ControllerSim controller(Stored({5, 96, 0}));
    controller.AddFault({.kind = sim::FaultKind::BadCrc, .times = 3});
    std::vector<ScanCandidate> plan{{{9600, 0}, 5}};
    const std::vector<ScanCandidate> rest = Sweep({19200, 0}, 40);
    plan.insert(plan.end(), rest.begin(), rest.end());
    ProbeCounter counter;
    const ScanResult result = CScanEngine(kPatient).Run(controller.DevicePath(), plan, counter);
    ASSERT_EQ(result.outcome, ScanResult::Found);
    EXPECT_EQ(result.found[0].answered, (ScanCandidate{{9600, 0}, 5}));
    EXPECT_LT(result.tried, 10u);
    EXPECT_TRUE(
        DamagedRepliesText(result).starts_with("damaged replies came at 9600 baud, Even, 1 stop bit as well"))
        << DamagedRepliesText(result);
}

TEST(ScanEngine, EveryControllerRunsThePlanToItsEnd) {
    sim::ControllerSim controller(Stored({2, 96, 0}));
    std::vector<ScanCandidate> plan = Sweep({9600, 0}, 4);
    const std::vector<ScanCandidate> second = Sweep({19200, 0}, 4);
    plan.insert(plan.end(), second.begin(), second.end());
    ScanOptions options = kPatient;
    options.everyController = true;
    ProbeCounter counter;
    const ScanResult result = CScanEngine(options).Run(controller.DevicePath(), plan, counter);
    EXPECT_EQ(result.outcome, ScanResult::Found);
    EXPECT_EQ(counter.m_probes, plan.size());
    EXPECT_EQ(result.found.size(), 1u);
}

TEST(ScanEngine, CancelFromAnotherThreadEndsTheScanWithinAProbe) {
    sim::ControllerSim controller(Stored({200, 96, 1}));
    CScanEngine engine(kPatient);
    ProbeCounter counter;
    ScanResult result;
    std::thread scan([&] { result = engine.Run(controller.DevicePath(), PlanScan(std::nullopt), counter); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    engine.Cancel();
    scan.join();
    EXPECT_EQ(result.outcome, ScanResult::Cancelled);
    EXPECT_GT(result.tried, 0u);
    EXPECT_LT(result.tried, PlanScan(std::nullopt).size());
}

}  // namespace
