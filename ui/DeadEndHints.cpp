#include "ui/DeadEndHints.h"

#include "res/Hints.h"

QString FindResultText(const ScanResult& result) {
    switch (result.outcome) {
        case ScanResult::Found: {
            const FoundController& found = result.found.front();
            const QString what = found.model ? QStringLiteral("ArdenoX %1").arg(*found.model)
                                             : QStringLiteral("the controller");
            return QStringLiteral("Found %1 at %2.")
                .arg(what, QString::fromStdString(DescribeCandidate(found.Working())));
        }
        case ScanResult::NothingAnswered:
            return QStringLiteral("Nothing answered. ") + QString::fromStdString(res::NothingFoundHint());
        case ScanResult::Cancelled:
        case ScanResult::PortFailed:
            break;
    }
    return {};
}
