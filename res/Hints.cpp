#include "res/Hints.h"

#include <string>

namespace res {

std::string NoAnswerHint(std::string_view findWith) {
    // Likeliest first: a controller without power or the wrong port, then a wrong address, then wiring.
    return "Check the controller's power and the port, then the address, then the wiring (swap A and B) "
           "and the termination, or find the settings with " +
           std::string(findWith) + ".";
}

std::string GatewayTargetFailedHint(unsigned address, std::string_view findWith) {
    const std::string at = std::to_string(address);
    return "The Modbus TCP gateway answered that nothing behind it replied at address " + at +
           " (exception 11: gateway target device failed to respond). Check the gateway's serial settings "
           "(its speed, parity and stop bits must be the controller's; they are set in the gateway, not "
           "here), its wiring to the controller, and that the controller's address is " +
           at + "; or find the address with " + std::string(findWith) + ".";
}

std::string GatewayPathUnavailableHint(unsigned address) {
    return "The Modbus TCP gateway routes no unit with address " + std::to_string(address) +
           " (exception 10: gateway path unavailable): that is a setting of the gateway. Add the address "
           "to its routing, or connect at an address it routes.";
}

std::string CopiedRepliesHint(unsigned address, unsigned factoryAddress) {
    const std::string factory = address == factoryAddress ? " (factory-fresh units all answer at " +
                                                                std::to_string(factoryAddress) + ")"
                                                          : std::string();
    return "replies arrive twice: two controllers may share address " + std::to_string(address) + factory +
           ", or a repeater copies the line";
}

std::string DamagedRepliesHint(std::string_view findWith) {
    return "Something answers, but every reply arrives damaged: the line speed or parity may differ (find "
           "the settings with " +
           std::string(findWith) +
           "), or the data wires are swapped (an inverted signal reads as garbage); then check the "
           "termination and the bias.";
}

std::string SomeDamagedRepliesHint() {
    return "Some replies arrive damaged: check the 120 ohm termination at both ends of the bus, the bias, "
           "the cable and nearby noise (the field guide's section on damaged replies).";
}

std::string EchoOnlyHint() {
    return "Only the adapter's own echo comes back: it sends, but no controller answers. Check the "
           "controller's power, its address and the wiring.";
}

std::string LateRepliesHint() {
    return "Replies come, but only after the tool stopped waiting for them: give them more time (the reply "
           "time; --reply-timeout MS on the command line). A USB adapter's latency timer, a radio link or a "
           "slow gateway delays them (the field guide's adapter section).";
}

std::string OtherAddressHint(unsigned address, std::string_view findWith) {
    return "Another controller answers, at address " + std::to_string(address) +
           ": connect at that address, or find the settings with " + std::string(findWith) + ".";
}

std::string DamagedScanHint() {
    return "a controller may be there behind a bad line: check the 120 ohm termination at both ends, the "
           "bias and the data wires (swap A and B), then scan again";
}

std::string PoorLineHint() {
    return "the line is poor: check the 120 ohm termination at both ends of the bus, the bias, the cable and "
           "nearby noise before relying on it";
}

std::string EchoOnlyScanHint() {
    return "only the adapter's own echo came back: it sends, but no controller answered at any setting; "
           "check the controller's power, its address and the wiring";
}

std::string UnaskedRepliesHint() {
    return "another master may be polling the bus (stop it before a scan), or a unit answers under another "
           "address than the one it is asked at";
}

std::string NothingFoundHint() {
    // A scan has ruled out every setting: what is left is power, the port and the wiring, cheapest first.
    return "Check the controller's power and the port first; then swap the two data wires (A/B, D+/D-) and "
           "try again; then check the 120 ohm termination at both ends of the bus, the bias and the "
           "reference wire (the field guide's checklist).";
}

}  // namespace res
