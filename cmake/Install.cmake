# What `cmake --install` and the Debian package (cpack -G DEB) put beside the program: a desktop
# entry, the program's icon and its AppStream metainfo.
include(GNUInstallDirs)
install(FILES ${CMAKE_SOURCE_DIR}/resources/vemra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/vemra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/org.example.vemra.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The package's own documents, where Debian's tools look for them; the changelog compressed as
# Debian wants it (no name or time in the header, so that builds are alike).
set(vemra_changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
execute_process(COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/resources/changelog OUTPUT_FILE ${vemra_changelog_gz}
                COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${vemra_changelog_gz} ${CMAKE_SOURCE_DIR}/resources/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME vemra)
set(CPACK_PACKAGE_VENDOR "${VEMRA_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${VEMRA_DEVELOPER} <${VEMRA_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop SQL query tool for SQLite, PostgreSQL and ODBC")
# CPack puts the summary before it as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Pick a named data source, log in, type SQL in a plain-text editor and run it.
Rows open in a result window, an editable grid when the result is updatable,
whose columns can be re-titled, re-sized, moved, searched, re-sorted and
printed as a tabular report. SQL files load and save, and every adjustment is
kept per user between runs. PostgreSQL is reached through libpq and other
databases through unixODBC; an SQLite sample database comes with it.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VEMRA_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
# libpq, unixODBC and SQLite are linked, so the library dependencies name them. PostgreSQL and
# ODBC aliases go through the program's own drivers; only an alias that names another Qt Sql
# driver (QSQLITE, say) loads a Qt plugin, so those are suggested, not required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-sqlite")
# Stripped: where the build has debug symbols they go into a package of their own (the .ddeb,
# which strips the program itself), otherwise they are only dropped.
if(CMAKE_BUILD_TYPE MATCHES "^(Debug|RelWithDebInfo)$")
    set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
else()
    set(CPACK_STRIP_FILES ON)
endif()
include(CPack)
