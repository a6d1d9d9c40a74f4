# Installing Lineatum (`cmake --install BUILD --prefix PREFIX`) and its Debian package
# (`cpack -G DEB` in the build folder, or scripts/package). An installation holds the two
# programs, the desktop entry, the application icon (SVG and PNGs), the help page, the manual
# pages, the AppStream metainfo, the copyright notice and the changelog; the tests,
# benchmarks, fuzz binaries and the static libraries are never installed. The data files are
# in packaging/. Needs GNUInstallDirs included before.

# The application's id: the desktop entry, the icon and the metainfo are named after it.
set(LINEATUM_APP_ID io.github.lineatum.Lineatum)
set(LINEATUM_ICON_SIZES 16 22 24 32 48 64 128 256)
# Where packaging/ leaves the files it makes at build time.
set(LINEATUM_ICONS_DIR ${CMAKE_BINARY_DIR}/packaging/icons)
set(LINEATUM_GZIP_DIR ${CMAKE_BINARY_DIR}/packaging/gz)
add_subdirectory(packaging)

set(LINEATUM_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(LINEATUM_HICOLOR_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

install(TARGETS lineatum lineatum-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${LINEATUM_PACKAGING_DIR}/${LINEATUM_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LINEATUM_PACKAGING_DIR}/${LINEATUM_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${LINEATUM_PACKAGING_DIR}/${LINEATUM_APP_ID}.svg
        DESTINATION ${LINEATUM_HICOLOR_DIR}/scalable/apps)
if(RSVG_CONVERT_EXE)
    foreach(size IN LISTS LINEATUM_ICON_SIZES)
        install(FILES ${LINEATUM_ICONS_DIR}/${size}x${size}/apps/${LINEATUM_APP_ID}.png
                DESTINATION ${LINEATUM_HICOLOR_DIR}/${size}x${size}/apps)
    endforeach()
endif()
# The program finds its help page at <bindir>/../share/lineatum/Quilbet.html: this folder
# stays share/lineatum whatever the data folder is set to.
install(FILES ${CMAKE_SOURCE_DIR}/app/help/Quilbet.html DESTINATION share/lineatum)
install(FILES ${LINEATUM_GZIP_DIR}/lineatum.1.gz ${LINEATUM_GZIP_DIR}/lineatum-tool.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${LINEATUM_PACKAGING_DIR}/copyright ${LINEATUM_GZIP_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lineatum)

# The Debian package. Library dependencies (Qt 6, ICU, the C++ runtime) come from
# dpkg-shlibdeps; the rest are tools the desktop integration runs: shared-mime-info knows
# application/x-gedcom, desktop-file-utils keeps the MIME association cache, xdg-utils
# opens the help page in the browser.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lineatum)
set(CPACK_PACKAGE_VENDOR "The Lineatum developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Lineatum developers <lineatum@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for GEDCOM genealogy files")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The package's synopsis is the summary above; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Lineatum opens a GEDCOM file (.ged) and shows one person at a time: the
parents and grandparents, the spouses and the children of each marriage,
the siblings, a narrative of births, deaths and marriages, the notes and
the raw record. Select Person finds anyone by name as you type; Find
Surname lists the persons of a surname. Files in UTF-8, UTF-16, ANSEL,
Macintosh, IBM PC or Windows text are each read in their own character
set, and the GEDCOM file itself is never changed.

The package also holds lineatum-tool, a command-line companion that
prints the lines, persons, names and surnames of a GEDCOM file and looks
into the lookup tables that the viewer builds.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${LINEATUM_PACKAGING_DIR}/debian/postinst ${LINEATUM_PACKAGING_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
