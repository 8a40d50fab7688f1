#pragma once
// The next step at a dead end, in the words of the field guide's checklist: shared by the window and
// ardenox-cli, each naming its own way to find the settings.
#include <string>
#include <string_view>

namespace res {

// For a line where nothing answers at the settings used: "Check the controller's power and the port, then
// the address, then the wiring (swap A and B) and the termination, or find the settings with <findWith>."
std::string NoAnswerHint(std::string_view findWith);

// For a line where whole replies arrive twice: "replies arrive twice: two controllers may share
// address 16 (factory-fresh units all answer at 16), or a repeater copies the line".
std::string CopiedRepliesHint(unsigned address, unsigned factoryAddress);

// For a line where something answers but every reply arrives damaged: the speed or parity, swapped
// data wires, then termination and bias.
std::string DamagedRepliesHint(std::string_view findWith);

// For a line where some replies arrive damaged among good ones: termination, bias, cable, noise.
std::string SomeDamagedRepliesHint();

// For a line where only the adapter's own echo comes back: nothing answers it.
std::string EchoOnlyHint();

// For a line where replies come only after the wait for them ended: more reply time, and why.
std::string LateRepliesHint();

// For a line where another controller answers, at `address`.
std::string OtherAddressHint(unsigned address, std::string_view findWith);

// For a scan where only damaged replies came: "a controller may be there behind a bad line: …".
std::string DamagedScanHint();

// For a scan that found a controller although some replies came damaged: termination, bias, cable, noise.
std::string PoorLineHint();

// For a scan where only the adapter's own echo came back, at every setting.
std::string EchoOnlyScanHint();

// For a scan where valid replies came from addresses other than the ones asked.
std::string UnaskedRepliesHint();
// For a Modbus TCP gateway that answered exception 0x0B for the controller: nothing behind it replied
// at `address`; its own serial settings, its wiring and the address are what to check.
std::string GatewayTargetFailedHint(unsigned address, std::string_view findWith);

// For a Modbus TCP gateway that answered exception 0x0A: it routes no unit with `address`.
std::string GatewayPathUnavailableHint(unsigned address);

// For a scan where nothing answered at any setting: the checklist's first steps.
std::string NothingFoundHint();

}  // namespace res
