# What a Windows user gets: the programs, the README and the field guide in one folder, as an NSIS
# installer (ardenox-modbus-<version>-setup.exe) and as a zip of the same folder for those who may not
# install. Both are built with everything else of the preset (`cmake --build --preset windows`).
#
# The file list is made at the end of the top folder, once every program target exists: the window
# program joins the list when its target is built, wherever its folder is added.
find_program(ARDENOX_MAKENSIS makensis)

function(ardenox_windows_package)
    set(name ardenox-modbus-${PROJECT_VERSION})
    set(stage ${PROJECT_BINARY_DIR}/package/${name})
    set(setup ${PROJECT_BINARY_DIR}/${name}-setup.exe)
    set(zip ${PROJECT_BINARY_DIR}/${name}-windows.zip)

    # The window program first: the installer's shortcut, icon and finish page name it when it is there.
    set(programs ardenox-cli)
    if(TARGET ardenox-config)
        list(PREPEND programs ardenox-config)
    endif()

    # Texts with Windows line ends, so that every Notepad shows them as lines; the field guide's pictures
    # keep the names its text gives them.
    set(text_dir ${PROJECT_BINARY_DIR}/package/texts)
    configure_file(${PROJECT_SOURCE_DIR}/docs/windows/README.txt ${text_dir}/README.txt @ONLY NEWLINE_STYLE CRLF)
    configure_file(${PROJECT_SOURCE_DIR}/docs/field-guide.md ${text_dir}/field-guide.txt @ONLY
                   NEWLINE_STYLE CRLF)
    set(documents ${text_dir}/README.txt ${text_dir}/field-guide.txt
                  ${PROJECT_SOURCE_DIR}/docs/bus-wiring.svg ${PROJECT_SOURCE_DIR}/docs/two-four-wire.svg)

    # The programs without their symbols (the static C++ runtime brings half of a program's size in them).
    set(files)
    set(copy_commands)
    foreach(program IN LISTS programs)
        list(APPEND files ${program}.exe)
        list(APPEND copy_commands COMMAND ${CMAKE_STRIP} -o ${stage}/${program}.exe $<TARGET_FILE:${program}>)
    endforeach()
    foreach(document IN LISTS documents)
        cmake_path(GET document FILENAME file)
        list(APPEND files ${file})
    endforeach()

    # The folder is made anew each time, so that a file dropped from the list leaves it too.
    set(staged ${PROJECT_BINARY_DIR}/package/${name}.staged)
    add_custom_command(OUTPUT ${staged}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
        ${copy_commands}
        COMMAND ${CMAKE_COMMAND} -E copy ${documents} ${stage}/
        COMMAND ${CMAKE_COMMAND} -E touch ${staged}
        DEPENDS ${programs} ${documents}
        COMMENT "Gathering the Windows programs and documents in ${stage}"
        VERBATIM)

    add_custom_command(OUTPUT ${zip}
        COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
        COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${name}
        WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/package
        DEPENDS ${staged}
        COMMENT "Zipping ${name} for Windows"
        VERBATIM)
    set(outputs ${zip})

    if(ARDENOX_MAKENSIS)
        # The installer installs and removes exactly these files, never the folder's other contents.
        list(TRANSFORM files REPLACE "(.+)" "  !insertmacro \${ACTION} \"\\1\"\n" OUTPUT_VARIABLE file_lines)
        list(JOIN file_lines "" file_lines)
        set(file_list ${PROJECT_BINARY_DIR}/package/files.nsh)
        file(CONFIGURE OUTPUT ${file_list}
             CONTENT "; Made by cmake/WindowsPackage.cmake.\n!macro ARDENOX_FILES ACTION\n${file_lines}!macroend\n" @ONLY)

        # Windows wants four numbers in a version resource.
        set(version4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
        if(PROJECT_VERSION_PATCH)
            set(version4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
        endif()
        set(icon ${PROJECT_SOURCE_DIR}/win32/ardenox.ico)
        set(defines -DVERSION=${PROJECT_VERSION} -DVERSION4=${version4} -DSTAGE=${stage} -DFILE_LIST=${file_list}
                    -DOUTFILE=${setup} -DICON=${icon})
        if(TARGET ardenox-config)
            list(APPEND defines -DWINDOW_PROGRAM=ardenox-config.exe)
        endif()
        set(script ${PROJECT_SOURCE_DIR}/dist/windows/installer.nsi)
        add_custom_command(OUTPUT ${setup}
            COMMAND ${ARDENOX_MAKENSIS} -V2 ${defines} ${script}
            DEPENDS ${staged} ${script} ${file_list} ${icon}
            COMMENT "Building the Windows installer ${name}-setup.exe"
            VERBATIM)
        list(APPEND outputs ${setup})
    else()
        message(STATUS "makensis not found: no Windows installer, only the zip (scripts/setup installs nsis)")
    endif()
    add_custom_target(windows_package ALL DEPENDS ${outputs})
endfunction()

cmake_language(DEFER CALL ardenox_windows_package)
