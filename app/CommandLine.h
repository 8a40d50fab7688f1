#pragma once
// What ardenox-config makes of its command line before any window exists: --help and --version are
// answered without a display, and a missing display is one line on standard error instead of Qt's abort.
#include <QString>
#include <QStringList>
#include <optional>

// True when a window can be shown on `platform` (the -platform argument or QT_QPA_PLATFORM, possibly a
// ';'-separated list of candidates, each optionally with ":options"); empty means Qt's default, which
// needs an X or Wayland display. `display` and `waylandDisplay` are the environment's values.
bool DisplayAvailable(const QString& platform, const QString& display, const QString& waylandDisplay);

// Handles the options that end the program before the window: --help, --version, no display. Returns
// the exit code when the program is to end, nothing when the window is to open.
std::optional<int> RunCommandLine(int& argc, char** argv);
