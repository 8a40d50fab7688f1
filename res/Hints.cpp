#include "res/Hints.h"

#include <string>

namespace res {

std::string NoAnswerHint(std::string_view findWith) {
    return "Check the wiring (swap A and B), the termination, or find the settings with " +
           std::string(findWith) + ".";
}

std::string CopiedRepliesHint(unsigned address, unsigned factoryAddress) {
    const std::string factory = address == factoryAddress ? " (factory-fresh units all answer at " +
                                                                std::to_string(factoryAddress) + ")"
                                                          : std::string();
    return "replies arrive twice: two controllers may share address " + std::to_string(address) + factory +
           ", or a repeater copies the line";
}

std::string NothingFoundHint() {
    return "First swap the two data wires (A/B, D+/D-) and try again; then check the 120 ohm termination at "
           "both ends of the bus, the bias and the reference wire (the field guide's checklist).";
}

}  // namespace res
