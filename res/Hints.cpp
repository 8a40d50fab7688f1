#include "res/Hints.h"

namespace res {

std::string NoAnswerHint(std::string_view findWith) {
    return "Check the wiring (swap A and B), the termination, or find the settings with " +
           std::string(findWith) + ".";
}

std::string NothingFoundHint() {
    return "First swap the two data wires (A/B, D+/D-) and try again; then check the 120 ohm termination at "
           "both ends of the bus, the bias and the reference wire (the field guide's checklist).";
}

}  // namespace res
