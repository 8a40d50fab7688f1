# Compiler settings shared by every target of the project.
add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
# Not for the resource compiler, which takes no warning options.
target_compile_options(project_options INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Werror>)
target_include_directories(project_options INTERFACE ${PROJECT_SOURCE_DIR})

set(ARDENOX_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address;undefined' or 'thread'")
if(ARDENOX_SANITIZE)
    list(JOIN ARDENOX_SANITIZE "," sanitizers)
    target_compile_options(project_options INTERFACE -fsanitize=${sanitizers} -fno-omit-frame-pointer
                                                     -fno-sanitize-recover=all)
    target_link_options(project_options INTERFACE -fsanitize=${sanitizers})
endif()

# GoogleTest's headers, parsed once per build and shared by every test program. A precompiled header
# fits only code built with the same flags: they all take project_options', and -fPIC, which Qt's
# test programs take from Qt anyway. Off in optimised builds: there GCC 12 reports false array bounds
# in libstdc++ code that came through a precompiled header.
option(ARDENOX_SHARED_TEST_HEADERS "Precompile GoogleTest's headers once for every test program" OFF)
function(ardenox_share_gtest_headers name)
    if(NOT ARDENOX_SHARED_TEST_HEADERS)
        return()
    endif()
    if(NOT TARGET gtest_headers)
        file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/gtest_headers.cpp CONTENT "")
        add_library(gtest_headers OBJECT ${PROJECT_BINARY_DIR}/gtest_headers.cpp)
        set_target_properties(gtest_headers PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
        target_link_libraries(gtest_headers PRIVATE project_options GTest::gtest GTest::gmock)
        target_precompile_headers(gtest_headers PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
        if(NOT WIN32)
            target_compile_options(gtest_headers PRIVATE -fPIC)
        endif()
    endif()
    if(NOT WIN32)
        target_compile_options(${name} PRIVATE -fPIC)
    endif()
    target_precompile_headers(${name} REUSE_FROM gtest_headers)
endfunction()

# Registers a GoogleTest executable with CTest under a label (unit, integration, ui). A cross-build lists
# the tests when they are run, so that building needs no emulator.
function(ardenox_add_gtest name label)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE project_options GTest::gtest GTest::gmock GTest::gtest_main)
    ardenox_share_gtest_headers(${name})
    if(CMAKE_CROSSCOMPILING)
        set(discovery_mode PRE_TEST)
    else()
        set(discovery_mode POST_BUILD)
    endif()
    gtest_discover_tests(${name} PROPERTIES LABELS ${label} DISCOVERY_TIMEOUT 60
                         DISCOVERY_MODE ${discovery_mode})
endfunction()
