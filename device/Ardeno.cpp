#include "device/Ardeno.h"

#include "device/ArdenoConverters.h"
#include "device/ControllerFacts.h"

namespace {

constexpr std::uint32_t kPollPeriodMs = 1000;

}  // namespace

CArdeno::CArdeno(CModbusSlave* slave)
    : CModbusDevice(slave),
      varModel(kVarModel, kModelRegister, kPollPeriodMs, ModelFromRegister{}),
      varVersion(kVarVersion, kFirmwareRegister, kPollPeriodMs, VersionFromRegister{}),
      varConfStatus(kVarConfStatus, kConfRegister, kPollPeriodMs, ConfStatusFromRegister{}),
      varConfCommand(kVarConfCommand, kConfRegister, EnumToRegister<ECommConfCommand>),
      varAddress(kVarAddress, kAddressRegister, kPollPeriodMs, AddressFromRegister{}),
      varAddressSet(kVarAddressSet, kAddressRegister, ByteToRegister),
      varBaudRate(kVarBaudRate, kBaudRateRegister, kPollPeriodMs, BaudRateFromRegister{}),
      varBaudRateSet(kVarBaudRateSet, kBaudRateRegister, BaudRateToRegister{}),
      varCommMode(kVarCommMode, kCommModeRegister, kPollPeriodMs, CommModeFromRegister{}),
      varCommModeSet(kVarCommModeSet, kCommModeRegister, EnumToRegister<ECommModeSetting>) {
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
