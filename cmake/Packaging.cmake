# Install rules for the three programs and what a Linux desktop expects around them, and the Debian
# package CPack builds from them (`make package`).
include(GNUInstallDirs)

install(TARGETS ardenox-cli ardenox-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES dist/ardenox-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME ardenox-cli)

# Man pages are kept as roff sources and installed compressed, as Debian ships them.
set(man_pages ardenox-cli.1 ardenox-sim.1)
if(ARDENOX_WITH_QT)
    list(APPEND man_pages ardenox-config.1)
endif()
foreach(page IN LISTS man_pages)
    set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/man/${page} > ${compressed}
        DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}
        VERBATIM)
    list(APPEND compressed_pages ${compressed})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${compressed_pages})
install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(ARDENOX_WITH_QT)
    set(ARDENOX_APP_ID com.brannik.ArdenoXModbus)
    install(TARGETS ardenox-config RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES dist/${ARDENOX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES dist/${ARDENOX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    foreach(size 16x16 24x24 32x32 48x48)
        install(FILES dist/icons/${size}/ardenox-config.png DESTINATION ${icon_dir}/${size}/apps)
    endforeach()
    install(FILES res/ardenox.png DESTINATION ${icon_dir}/64x64/apps RENAME ardenox-config.png)
    install(FILES dist/icons/scalable/ardenox-config.svg DESTINATION ${icon_dir}/scalable/apps)
endif()

# What an operator reads first, where Debian keeps a package's documents: the README and the field
# guide (with the pictures their links name, so the links hold), the copyright in machine-readable form
# and the changelog compressed without a time stamp, as Debian wants it.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/ardenox-modbus)
set(changelog ${PROJECT_BINARY_DIR}/dist/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/dist
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/dist/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/dist/changelog
    VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} dist/copyright README.md DESTINATION ${doc_dir})
install(FILES docs/field-guide.md docs/bus-wiring.svg docs/two-four-wire.svg docs/main-window.png
              docs/after-write.png docs/connection-dialog-found.png docs/not-connected-hint.png
              docs/scan-progress.png docs/traffic-window.png docs/windows-setup-welcome.png
              docs/windows-connection-dialog.png docs/windows-main-window.png
        DESTINATION ${doc_dir}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ardenox-modbus)
set(CPACK_PACKAGE_VENDOR Brannik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for ArdenoX controllers over Modbus RTU")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads and changes the communication settings (baud rate, parity and stop bits, Modbus slave \
address) of one ArdenoX controller through a serial adapter. ardenox-config is the window program, \
ardenox-cli the same for scripts, and ardenox-sim a stand-in for the controller on a pseudo-terminal.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brannik ArdenoX developers <ardenox@brannik.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Completion of ardenox-cli works only where bash-completion loads it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
