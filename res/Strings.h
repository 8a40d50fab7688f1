#pragma once
// The string table: every text the operator sees, looked up by its numeric id.
#include <string_view>

namespace res {

enum StringId : unsigned {
    IDS_INTEGER_RANGE = 131,  // "Enter an integer value between %i and %i."
    IDS_INVALID_FORMAT = 133,
    IDS_INVALID_VALUE = 134,
    IDS_OPEN_FAILED = 135,    // "%s": device path
    IDS_CONFIG_FAILED = 136,  // "%s": device path
    IDS_ERROR_SUFFIX = 137,   // "%s": system text, "%x": code
    IDS_DEVICE_ERROR = 138,
    IDS_MODE_EVEN_1STOP = 139,
    IDS_MODE_ODD_1STOP = 140,
    IDS_MODE_NONE_2STOP = 141,
    IDS_MODE_NONE_1STOP = 142,
    IDS_NOT_CONNECTED = 143,
    IDS_CONNECTED = 144,
    IDS_CANCEL_WARNING = 147,
    IDS_WRITING = 148,
    IDS_SAVING = 149,
    IDS_WAITING_SAVE = 150,
    IDS_DONE = 151,
    IDS_VERIFYING = 152,
    IDS_VERIFY_FAILED = 153,  // "%s": parameter name
    IDS_PARAM_ADDRESS = 154,
    IDS_PARAM_BAUD_RATE = 155,
    IDS_PARAM_MODE = 156,
    IDS_SCAN_TRYING = 157,   // "%s": the settings being tried
    IDS_SCAN_NOTHING = 158,  // "%s": device path
    IDS_SCAN_STORED = 159,   // "%s": the settings that answered, "%s": those stored
    IDS_AFTER_WRITE = 160,   // "%u": baud rate, "%s": parity/stop bits, "%u": address
    // As IDS_AFTER_WRITE, for a kept speed the connection dialog does not offer.
    IDS_AFTER_WRITE_OUT_OF_REACH = 161,
    IDS_GATEWAY_MODBUS_TCP = 162,  // what a tcp:// port turned out to reach
    IDS_GATEWAY_RTU_BRIDGE = 163,
};

// The text of a string id; empty for an id the table does not hold.
std::string_view LoadString(unsigned id);

}  // namespace res
