#include "res/Strings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace res {
namespace {

constexpr std::array<std::pair<unsigned, std::string_view>, 30> kTable{{
    {IDS_INTEGER_RANGE, "Enter an integer value between %i and %i."},
    {IDS_INVALID_FORMAT, "Invalid format"},
    {IDS_INVALID_VALUE, "Invalid value"},
    {IDS_OPEN_FAILED, "Unable to open communication port \"%s\"."},
    {IDS_CONFIG_FAILED, "Unable to configure communication port \"%s\". Check port settings."},
    {IDS_ERROR_SUFFIX, "\n%s (0x%x)\n"},
    {IDS_DEVICE_ERROR, "Communication device error. Check communication adapter and try again."},
    {IDS_MODE_EVEN_1STOP, "Even, 1 stop bit"},
    {IDS_MODE_ODD_1STOP, "Odd, 1 stop bit"},
    {IDS_MODE_NONE_2STOP, "None, 2 stop bits"},
    {IDS_MODE_NONE_1STOP, "None, 1 stop bit"},
    {IDS_NOT_CONNECTED, "Not connected"},
    {IDS_CONNECTED, "Connected"},
    {IDS_CANCEL_WARNING,
     "Stop writing? The controller may be left with only part of the new settings. Let the write finish "
     "unless it has hung; after stopping it, restart the controller and read its settings again."},
    {IDS_WRITING, "Writing configuration..."},
    {IDS_SAVING, "Saving configuration..."},
    {IDS_WAITING_SAVE, "Waiting for save confirmation..."},
    {IDS_DONE, "Done"},
    {IDS_VERIFYING, "Verifying..."},
    {IDS_VERIFY_FAILED,
     "Failed verifying written configuration for parameter \"%s\". Check selected configuration and try "
     "again."},
    {IDS_PARAM_ADDRESS, "Address"},
    {IDS_PARAM_BAUD_RATE, "Baud rate"},
    {IDS_PARAM_MODE, "Parity/stop bits"},
    {IDS_SCAN_TRYING, "Trying %s"},
    {IDS_SCAN_NOTHING,
     "No controller answered on \"%s\" at any baud rate, parity/stop bits or address. Check the "
     "controller's power, the port and the wiring."},
    {IDS_SCAN_STORED,
     "The controller answered at %s. It holds %s, which takes effect when the controller restarts."},
    {IDS_AFTER_WRITE,
     "The controller has saved the new settings and uses them after its next restart: %u baud, %s, "
     "address %u. Until then it answers as before. After the restart press Change: the connection "
     "dialog offers these settings."},
    {IDS_AFTER_WRITE_OUT_OF_REACH,
     "The controller has saved the settings and uses them after its next restart: %u baud, %s, "
     "address %u. This tool connects only at 9600, 19200, 38400 or 57600 baud: to reach the controller "
     "after its restart, write one of these speeds before restarting it."},
    {IDS_GATEWAY_MODBUS_TCP, "Modbus TCP gateway"},
    {IDS_GATEWAY_RTU_BRIDGE, "transparent bridge (RTU over TCP)"},
}};

}  // namespace

std::string_view LoadString(unsigned id) {
    const auto* entry =
        std::find_if(kTable.begin(), kTable.end(), [id](const auto& row) { return row.first == id; });
    return entry == kTable.end() ? std::string_view{} : entry->second;
}

}  // namespace res
