# Compiler settings shared by every target of the project.
add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
target_compile_options(project_options INTERFACE -Wall -Wextra -Wpedantic -Werror)
target_include_directories(project_options INTERFACE ${PROJECT_SOURCE_DIR})

set(ARDENOX_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address;undefined' or 'thread'")
if(ARDENOX_SANITIZE)
    list(JOIN ARDENOX_SANITIZE "," sanitizers)
    target_compile_options(project_options INTERFACE -fsanitize=${sanitizers} -fno-omit-frame-pointer
                                                     -fno-sanitize-recover=all)
    target_link_options(project_options INTERFACE -fsanitize=${sanitizers})
endif()

# Registers a GoogleTest executable with CTest under a label (unit, integration, ui). A cross-build lists
# the tests when they are run, so that building needs no emulator.
function(ardenox_add_gtest name label)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE project_options GTest::gtest GTest::gmock GTest::gtest_main)
    if(CMAKE_CROSSCOMPILING)
        set(discovery_mode PRE_TEST)
    else()
        set(discovery_mode POST_BUILD)
    endif()
    gtest_discover_tests(${name} PROPERTIES LABELS ${label} DISCOVERY_TIMEOUT 60
                         DISCOVERY_MODE ${discovery_mode})
endfunction()
