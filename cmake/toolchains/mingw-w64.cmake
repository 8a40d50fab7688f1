# Cross-compiles the Windows programs with Debian's MinGW-w64 (posix thread model) and runs them under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ARDENOX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ARDENOX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ARDENOX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ARDENOX_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW tree only, never from the Linux host.
set(CMAKE_FIND_ROOT_PATH /usr/${ARDENOX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config would otherwise offer the Linux builds of libraries (libmodbus) to the cross-build.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${ARDENOX_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Static C, C++ and thread runtimes: the programs run without MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Debian installs the 64-bit loader outside PATH unless the `wine` wrapper package is there too. The tests
# run through wine-run, which starts again a program that wine lost before it printed anything.
find_program(ARDENOX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ARDENOX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${ARDENOX_WINE})
endif()
