#include "present/FindProgress.h"

#include <fmt/format.h>
#include <fmt/printf.h>

#include "res/Hints.h"
#include "res/Strings.h"

FindProgress FindProgressOf(const ScanProgress& progress) {
    return {progress.total, progress.tried,
            fmt::sprintf(std::string(res::LoadString(res::IDS_SCAN_TRYING)),
                         DescribeCandidate(progress.current))};
}

std::string FindResultText(const ScanResult& result) {
    switch (result.outcome) {
        case ScanResult::Found: {
            const FoundController& found = result.found.front();
            const std::string what = found.model ? fmt::format("ArdenoX {}", *found.model) : "the controller";
            std::string damaged = DamagedRepliesText(result);
            if (!damaged.empty()) {
                damaged[0] = 'D';
                damaged = " " + damaged + ".";
            }
            return fmt::format("Found {} at {}.{}", what, DescribeCandidate(found.Working()), damaged);
        }
        case ScanResult::NothingAnswered:
            if (std::string damaged = DamagedRepliesText(result); !damaged.empty()) {
                damaged[0] = 'D';
                return "No valid reply. " + damaged + ".";
            }
            return "Nothing answered. " + res::NothingFoundHint();
        case ScanResult::Cancelled:
        case ScanResult::PortFailed:
            break;
    }
    return {};
}
