# Install rules and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/Language/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/marvek2/Language
        FILES_MATCHING PATTERN "*.lng" PATTERN "*.bmp")
install(FILES ${PROJECT_SOURCE_DIR}/dist/marvek2.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/marvek2.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(marvek2_docdir ${CMAKE_INSTALL_DATADIR}/doc/marvek2)
# The README for the installed programs; the one of the sources speaks of the build tree.
install(FILES ${PROJECT_SOURCE_DIR}/dist/README ${PROJECT_SOURCE_DIR}/dist/copyright
        DESTINATION ${marvek2_docdir})

# Debian wants the changelog and the manual pages compressed, reproducibly (no name, no time).
find_program(GZIP_PROGRAM gzip)
foreach(source changelog man/marvek2.1 man/marvek2-cli.1 man/marvek2-sim.1)
    get_filename_component(name ${source} NAME)
    set(packed ${CMAKE_CURRENT_BINARY_DIR}/dist/${name}.gz)
    add_custom_command(OUTPUT ${packed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/dist
        COMMAND ${GZIP_PROGRAM} -9 -n -c ${PROJECT_SOURCE_DIR}/dist/${source} > ${packed}
        DEPENDS ${PROJECT_SOURCE_DIR}/dist/${source} VERBATIM)
    list(APPEND marvek2_packed ${packed})
    if(source STREQUAL changelog)
        install(FILES ${packed} DESTINATION ${marvek2_docdir})
    else()
        install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()
add_custom_target(marvek2_packed_docs ALL DEPENDS ${marvek2_packed})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marvek2)
set(CPACK_PACKAGE_VENDOR "Marvek")
set(CPACK_PACKAGE_CONTACT "Marvek-2 service program maintainers <maintainers@marvek2.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service program for the Marvek-2 engine module")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Reads and changes the settings of the Marvek-2 water injection and fuel\ncorrection module over a serial port, saves and restores its EEPROM, edits its\ninjection tables and emulation curve, and records live engine values.\nIncludes a command-line tool and a module simulator.")
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
