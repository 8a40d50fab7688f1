#pragma once
// The ArdenoX controller: six inputs the worker keeps reading, four outputs for new communication
// settings and the save command.
#include <cstdint>
#include <utility>

#include "device/ModbusDevice.h"
#include "device/ModbusDeviceVar.h"

class CArdeno : public CModbusDevice {
public:
    // Parity and stop bits of the controller's serial line (holding register 35).
    enum ECommModeSetting : std::uint32_t {
        ModeEven1Stop = 0,
        ModeOdd1Stop = 1,
        ModeNone2Stop = 2,
        ModeNone1Stop = 3,
    };
    // Written to holding register 32.
    enum ECommConfCommand : std::uint32_t {
        CommandSave = 2371,  // saves the settings written to registers 33 to 35
    };
    // Read from holding register 32. Only 1 has a known meaning ("saving"); 0 and 2 are both valid and
    // both mean the save is over, whatever else the controller tells apart by them.
    enum ECommConfStatus : std::uint32_t {
        StatusIdle = 0,
        StatusSaving = 1,
        StatusOther = 2,
    };

    using Raw = unsigned short;

    // Queues the six inputs for their first read; the worker is started by the caller.
    explicit CArdeno(CModbusSlave* slave);

    bool GetModel(unsigned short& model);
    bool GetVersion(std::pair<int, int>& version);  // (major, minor)
    bool GetConfStatus(ECommConfStatus& status);
    bool GetAddress(unsigned char& address);
    bool GetBaudRate(unsigned long& baudRate);
    bool GetCommMode(ECommModeSetting& mode);

    // Variable ids: 0-5 inputs, 6-9 outputs, as declared below.
    CModbusDeviceVarInputReg<Raw, unsigned short> varModel;
    CModbusDeviceVarInputReg<Raw, std::pair<int, int>> varVersion;
    CModbusDeviceVarHoldingInput<Raw, ECommConfStatus> varConfStatus;
    CModbusDeviceVarHoldingOutput<Raw, ECommConfCommand> varConfCommand;
    CModbusDeviceVarHoldingInput<Raw, unsigned char> varAddress;
    CModbusDeviceVarHoldingOutput<Raw, unsigned char> varAddressSet;
    CModbusDeviceVarHoldingInput<Raw, unsigned long> varBaudRate;
    CModbusDeviceVarHoldingOutput<Raw, unsigned long> varBaudRateSet;
    CModbusDeviceVarHoldingInput<Raw, ECommModeSetting> varCommMode;
    CModbusDeviceVarHoldingOutput<Raw, ECommModeSetting> varCommModeSet;
};

// The variables' ids, for dispatching notifications.
enum ArdenoVarId : int {
    kVarModel = 0,
    kVarVersion = 1,
    kVarConfStatus = 2,
    kVarAddress = 3,
    kVarBaudRate = 4,
    kVarCommMode = 5,
    kVarConfCommand = 6,
    kVarAddressSet = 7,
    kVarBaudRateSet = 8,
    kVarCommModeSet = 9,
};
