#include "present/FindProgress.h"

#include <fmt/format.h>
#include <fmt/printf.h>

#include <cctype>

#include "log/LogService.h"
#include "port/PortHint.h"
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
            if (std::string why = NoValidReplyText(result); !why.empty()) {
                why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
                return "No valid reply. " + why + ".";
            }
            return "Nothing answered. " + res::NothingFoundHint();
        case ScanResult::Cancelled:
        case ScanResult::PortFailed:
            break;
    }
    return {};
}

std::optional<ScanCandidate> TakeFindResult(const ScanResult& result, const std::string& devicePath) {
    switch (result.outcome) {
        case ScanResult::Found: {
            const FoundController& found = result.found.front();
            if (found.HoldsOtherSettings()) {
                CLogService::Instance().Report(res::IDS_SCAN_STORED, true, DescribeCandidate(found.answered),
                                               DescribeCandidate(*found.holds));
            }
            return found.Working();
        }
        case ScanResult::NothingAnswered:
            CLogService::Instance().Report(res::IDS_SCAN_NOTHING, true, devicePath);
            break;
        case ScanResult::PortFailed:
            CLogService::Instance().ReportErrorWithHint(
                res::IDS_OPEN_FAILED, result.error, OpenFailureHint(devicePath, result.error), devicePath);
            break;
        case ScanResult::Cancelled:
            break;
    }
    return std::nullopt;
}
