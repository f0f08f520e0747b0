# Install rules and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/Language/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/marvek2/Language
        FILES_MATCHING PATTERN "*.lng" PATTERN "*.bmp")
install(FILES ${PROJECT_SOURCE_DIR}/dist/marvek2.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/marvek2.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marvek2)
set(CPACK_PACKAGE_VENDOR "Marvek")
set(CPACK_PACKAGE_CONTACT "Marvek-2 service program maintainers <marvek2@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service program for the Marvek-2 engine module")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "service program for the Marvek-2 engine module\n Reads and changes the settings of the Marvek-2 water injection and fuel\n correction module over a serial port, saves and restores its EEPROM, edits its\n injection tables and emulation curve, and records live engine values.\n Includes a command-line tool and a module simulator.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the X11 platform plugin, OpenGL
# drivers and Qt's own translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
