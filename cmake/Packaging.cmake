# Installation and the Debian package: the program with "ndoc" and the help pages beside it
# under lib/medora, the launcher "medora" that starts it in the data folder, the supplied
# empty database under share/medora, the desktop entry and the icon.
include(GNUInstallDirs)

file(TOUCH ${CMAKE_BINARY_DIR}/ndoc)
install(TARGETS medora RUNTIME DESTINATION lib/medora)
install(TARGETS medora-sample-data RUNTIME DESTINATION bin)
install(TARGETS medora-admin RUNTIME DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/store/schema-postgresql.sql DESTINATION share/medora)
install(FILES ${CMAKE_BINARY_DIR}/ndoc DESTINATION lib/medora)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION lib/medora/help)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/res/medora-launcher.sh DESTINATION bin RENAME medora)
install(FILES ${PROJECT_SOURCE_DIR}/res/medora.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/medora.svg
        DESTINATION share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME medora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Medora developers <medora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Medical records and prescriptions for a single doctor's clinic")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME medora_${PROJECT_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-dejavu-core, fonts-liberation2")
include(CPack)
