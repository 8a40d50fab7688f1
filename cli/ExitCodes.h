#pragma once
// The process exit codes of ardenox-cli, as listed by --help.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 2,     // a bad or missing option or command
    kExitPortOpen = 3,  // the port could not be opened or configured, or a --log or --trace-file not written
    kExitPortFailure = 4,  // the port failed while the controller was being polled
    kExitTimeout = 5,      // values did not come within --timeout
    kExitInterrupted = 6,  // SIGINT or SIGTERM before a one-shot command finished
    kExitRejected = 7,     // the controller or the tool refused what was asked (e.g. a value to write)
    kExitMismatch = 8,     // a written setting read back differently; nothing was saved
};
