#include "ui/DeadEndHints.h"

#include "res/Hints.h"

QString NoAnswerWindowHint(std::uint32_t baudRate, const QString& modeText, unsigned address) {
    return QStringLiteral("Nothing answers at %1 baud, %2, address %3. ")
               .arg(baudRate)
               .arg(modeText)
               .arg(address) +
           QString::fromStdString(res::NoAnswerHint("Change, then Find"));
}

QString FindResultText(const ScanResult& result) {
    switch (result.outcome) {
        case ScanResult::Found:
            return QStringLiteral("Found the controller at %1.")
                .arg(QString::fromStdString(DescribeCandidate(result.found.front().Working())));
        case ScanResult::NothingAnswered:
            return QStringLiteral("Nothing answered. ") + QString::fromStdString(res::NothingFoundHint());
        case ScanResult::Cancelled:
        case ScanResult::PortFailed:
            break;
    }
    return {};
}
