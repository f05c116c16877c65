# What `cmake --install` and the Debian package (cpack -G DEB) put beside the program: a desktop
# entry, the program's icon and its AppStream metainfo.
include(GNUInstallDirs)
install(FILES ${CMAKE_SOURCE_DIR}/resources/vemra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/vemra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/org.example.vemra.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_PACKAGE_NAME vemra)
set(CPACK_PACKAGE_VENDOR "${VEMRA_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${VEMRA_DEVELOPER} <${VEMRA_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VEMRA_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
# The Qt Sql drivers are loaded at run time, so no library dependency names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-odbc, fonts-liberation")
include(CPack)
