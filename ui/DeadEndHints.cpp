#include "ui/DeadEndHints.h"

#include "device/UnsavedSettings.h"
#include "res/Hints.h"

QString NoAnswerWindowHint(std::uint32_t baudRate, const QString& modeText, unsigned address) {
    return QStringLiteral("Nothing answers at %1 baud, %2, address %3. ")
               .arg(baudRate)
               .arg(modeText)
               .arg(address) +
           QString::fromStdString(res::NoAnswerHint("Change, then Find"));
}

QString CopiedRepliesWindowHint(unsigned address) {
    QString text = QString::fromStdString(res::CopiedRepliesHint(address, kFactorySettings.address)) + ".";
    text[0] = text[0].toUpper();
    return text;
}

QString LostPortDuringWriteHint(const CommConfig& written, const QString& writtenModeText,
                                const std::vector<int>& writes, std::uint32_t baudRate,
                                const QString& modeText, unsigned address) {
    const std::string left = UnsavedSettingsText(written, writes, writtenModeText.toStdString());
    if (left.empty()) {
        return {};
    }
    return QStringLiteral(
               "The write stopped before the save: %1. Until then the controller answers at %2 "
               "baud, %3, address %4: connect the adapter again, connect at those settings and "
               "Write again to save the new ones, or restart the controller to drop them.")
        .arg(QString::fromStdString(left))
        .arg(baudRate)
        .arg(modeText)
        .arg(address);
}
