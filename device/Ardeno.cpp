#include "device/Ardeno.h"

#include "device/ArdenoConverters.h"

namespace {

constexpr std::uint32_t kPollPeriodMs = 1000;

// Protocol addresses of the controller's registers.
constexpr std::uint16_t kInputVersion = 0;
constexpr std::uint16_t kInputModel = 2;
constexpr std::uint16_t kHoldingConf = 32;  // status when read, command when written
constexpr std::uint16_t kHoldingAddress = 33;
constexpr std::uint16_t kHoldingBaudRate = 34;
constexpr std::uint16_t kHoldingCommMode = 35;

}  // namespace

CArdeno::CArdeno(CModbusSlave* slave)
    : CModbusDevice(slave),
      varModel(kVarModel, kInputModel, kPollPeriodMs, ModelFromRegister{}),
      varVersion(kVarVersion, kInputVersion, kPollPeriodMs, VersionFromRegister{}),
      varConfStatus(kVarConfStatus, kHoldingConf, kPollPeriodMs, ConfStatusFromRegister{}),
      varConfCommand(kVarConfCommand, kHoldingConf, EnumToRegister<ECommConfCommand>),
      varAddress(kVarAddress, kHoldingAddress, kPollPeriodMs, AddressFromRegister{}),
      varAddressSet(kVarAddressSet, kHoldingAddress, ByteToRegister),
      varBaudRate(kVarBaudRate, kHoldingBaudRate, kPollPeriodMs, BaudRateFromRegister{}),
      varBaudRateSet(kVarBaudRateSet, kHoldingBaudRate, BaudRateToRegister{}),
      varCommMode(kVarCommMode, kHoldingCommMode, kPollPeriodMs, CommModeFromRegister{}),
      varCommModeSet(kVarCommModeSet, kHoldingCommMode, EnumToRegister<ECommModeSetting>) {
    QueueVar(&varModel);
    QueueVar(&varVersion);
    QueueVar(&varConfStatus);
    QueueVar(&varAddress);
    QueueVar(&varBaudRate);
    QueueVar(&varCommMode);
}

bool CArdeno::GetModel(unsigned short& model) {
    return varModel.Get(*this, model);
}
bool CArdeno::GetVersion(std::pair<int, int>& version) {
    return varVersion.Get(*this, version);
}
bool CArdeno::GetConfStatus(ECommConfStatus& status) {
    return varConfStatus.Get(*this, status);
}
bool CArdeno::GetAddress(unsigned char& address) {
    return varAddress.Get(*this, address);
}
bool CArdeno::GetBaudRate(unsigned long& baudRate) {
    return varBaudRate.Get(*this, baudRate);
}
bool CArdeno::GetCommMode(ECommModeSetting& mode) {
    return varCommMode.Get(*this, mode);
}
