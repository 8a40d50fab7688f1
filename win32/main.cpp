// ardenox-config.exe: the configuration tool's window program on Windows.
#include "win32/ConfigApp.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    return RunConfigProgram();
}
