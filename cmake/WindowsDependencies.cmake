# Test and formatting libraries for the MinGW cross-build, which Debian packages only for Linux:
# GoogleTest built from Debian's sources (package googletest); fmt, CLI11 and nlohmann-json used
# header-only from the host.
set(ARDENOX_GTEST_SOURCES /usr/src/googletest CACHE PATH "GoogleTest sources to cross-build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Its targets come with the GTest:: names that find_package(GTest) gives on the host.
add_subdirectory(${ARDENOX_GTEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# A header-only library from one folder of the host's /usr/include, under the name find_package gives.
# Only that folder: the whole of /usr/include would hide the MinGW C library's headers.
function(ardenox_host_headers alias folder)
    set(headers ${CMAKE_BINARY_DIR}/host-headers/${folder})
    file(MAKE_DIRECTORY ${headers})
    file(CREATE_LINK /usr/include/${folder} ${headers}/${folder} SYMBOLIC)
    string(REPLACE "::" "_" target ${alias})
    add_library(${target} INTERFACE)
    target_include_directories(${target} SYSTEM INTERFACE ${headers})
    add_library(${alias} ALIAS ${target})
endfunction()

ardenox_host_headers(fmt::fmt fmt)
target_compile_definitions(fmt_fmt INTERFACE FMT_HEADER_ONLY)
ardenox_host_headers(CLI11::CLI11 CLI)
ardenox_host_headers(nlohmann_json::nlohmann_json nlohmann)
