#pragma once
// SIGINT and SIGTERM end a command: they only raise a flag that the command's wait loop looks at.

// Installs the handlers; call once, before any thread starts.
void InstallInterruptHandlers();
bool Interrupted();
