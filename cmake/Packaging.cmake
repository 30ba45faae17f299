# Installation and the Debian package: the program with "ndoc" and the help pages beside it
# under lib/medora, the launcher "medora" that starts it in the data folder, the supplied
# empty database under share/medora, the desktop entry and the icon, the manual pages, the
# changelog and copyright Debian asks every package for, and how the FHIR export maps the
# records.
include(GNUInstallDirs)

# Debian wants manual pages and changelogs compressed with gzip -9n, which leaves no date
# or name in the file.
set(packaged_docs ${CMAKE_BINARY_DIR}/packaged-docs)
set(compressed_docs)
foreach(doc docs/man/medora.1 docs/man/medora-admin.1 docs/man/medora-sample-data.1
            packaging/changelog docs/fhir.md)
  get_filename_component(name ${doc} NAME)
  add_custom_command(OUTPUT ${packaged_docs}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${doc} ${packaged_docs}/${name}
    COMMAND gzip -9nf ${packaged_docs}/${name}
    DEPENDS ${PROJECT_SOURCE_DIR}/${doc})
  list(APPEND compressed_docs ${packaged_docs}/${name}.gz)
endforeach()
add_custom_target(medora_packaged_docs ALL DEPENDS ${compressed_docs})
install(FILES ${packaged_docs}/medora.1.gz ${packaged_docs}/medora-admin.1.gz
              ${packaged_docs}/medora-sample-data.1.gz DESTINATION share/man/man1)
install(FILES ${packaged_docs}/changelog.gz ${packaged_docs}/fhir.md.gz
              ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION share/doc/medora)

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
set(CPACK_PACKAGE_CONTACT "Medora developers <medora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Medical records and prescriptions for a single doctor's clinic")
# The extended description, in lines short enough for Debian's tools.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Medora keeps the medical records of a single doctor's clinic: patients, their"
  "visits with vital signs and examination, medical, surgical, social and family"
  "history, allergies, medications and tests. It prints prescriptions under the"
  "clinic's letterhead, prints or exports a patient's whole record, and backs up"
  "the records every day."
  ""
  "The records are kept in one SQLite file on the computer, or on a PostgreSQL"
  "server that the clinic's desks share. medora-admin sets up such a server and"
  "backs up and restores the records; medora-sample-data fills an empty records"
  "database with a made-up clinic to try the program out.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME medora_${PROJECT_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-dejavu-core, fonts-liberation2")
# The clinic server's set-up (createdb, createuser, pg_dump) uses PostgreSQL's own client
# tools; a desk on the records file needs none.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "postgresql-client")
include(CPack)
