#pragma once
// Waiting for the controller's values before a command acts on them, with the failures every command
// reports the same way (port failure, refusal, time-out, interrupt).
#include <functional>
#include <string>

#include "cli/CommandDeadline.h"

class CliConnection;

// Waits until `missing` gives an empty text (otherwise the names of the values still lacking, named in
// the time-out message), at most until the deadline. kExitOk once nothing is missing, else the
// command's exit code.
int AwaitValues(CliConnection& connection, const CommandDeadline& deadline,
                const std::function<std::string()>& missing);
