# Test and formatting libraries for the MinGW cross-build, which Debian packages only for Linux:
# GoogleTest built from Debian's sources (package googletest), fmt used header-only.
set(ARDENOX_GTEST_SOURCES /usr/src/googletest CACHE PATH "GoogleTest sources to cross-build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Its targets come with the GTest:: names that find_package(GTest) gives on the host.
add_subdirectory(${ARDENOX_GTEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Only fmt's headers from the host: the whole of /usr/include would hide the MinGW C library's headers.
set(fmt_headers ${CMAKE_BINARY_DIR}/fmt-headers)
file(MAKE_DIRECTORY ${fmt_headers})
file(CREATE_LINK /usr/include/fmt ${fmt_headers}/fmt SYMBOLIC)
add_library(fmt_header_only INTERFACE)
target_include_directories(fmt_header_only SYSTEM INTERFACE ${fmt_headers})
target_compile_definitions(fmt_header_only INTERFACE FMT_HEADER_ONLY)
add_library(fmt::fmt ALIAS fmt_header_only)
