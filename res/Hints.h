#pragma once
// The next step at a dead end, in the words of the field guide's checklist: shared by the window and
// ardenox-cli, each naming its own way to find the settings.
#include <string>
#include <string_view>

namespace res {

// For a line where nothing answers at the settings used: "Check the wiring (swap A and B), the
// termination, or find the settings with <findWith>."
std::string NoAnswerHint(std::string_view findWith);

// For a scan where nothing answered at any setting: the checklist's first steps.
std::string NothingFoundHint();

}  // namespace res
