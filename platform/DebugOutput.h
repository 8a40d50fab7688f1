#pragma once
// Where diagnostics and operator messages end up. Both sinks are replaceable: the GUI installs a
// message box, tests capture both. An empty sink restores the default.
#include <functional>
#include <string_view>

namespace platform {

using TextSink = std::function<void(std::string_view text)>;

// One write to the debug output (standard error by default, OutputDebugStringW on Windows).
void OutputDebugText(std::string_view text);
// Installs a sink for the debug output and returns the previous one.
TextSink SetDebugOutputSink(TextSink sink);

// A sink that writes to standard error: what console programs install to show the debug output, which
// on Windows would otherwise go to a debugger only.
void WriteToStandardError(std::string_view text);

// A modal, OK-only message box that blocks the caller until closed (standard error by default).
void ShowMessageBox(std::string_view text);
// Installs a sink for message boxes and returns the previous one.
TextSink SetMessageBoxSink(TextSink sink);

}  // namespace platform
