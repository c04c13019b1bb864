# The Debian package for Linux users: the program folder under lib/, a launcher on the PATH,
# the desktop entry, the icon in the hicolor theme and the AppStream metadata, all from one
# installation. dpkg-shlibdeps works out the dependencies from the executable.
set(app_id com.ormwick.LumetraDataLogger)
set(linux_resources "${CMAKE_SOURCE_DIR}/resources/linux")

file(CREATE_LINK "../${LDL_PROGRAM_FOLDER}/LumetraDataLogger"
    "${CMAKE_BINARY_DIR}/lumetra-datalogger" SYMBOLIC)
install(FILES "${CMAKE_BINARY_DIR}/lumetra-datalogger" DESTINATION bin)
install(FILES "${linux_resources}/${app_id}.desktop" DESTINATION share/applications)
install(FILES "${linux_resources}/${app_id}.metainfo.xml" DESTINATION share/metainfo)
install(FILES "${CMAKE_SOURCE_DIR}/resources/OrmwickLumetra.png"
    DESTINATION share/icons/hicolor/256x256/apps RENAME ${app_id}.png)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetra-datalogger)
set(CPACK_PACKAGE_VENDOR Ormwick)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ormwick Lumetra team <lumetra@ormwick.com>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Downloads the stored records of an Ormwick PV installation tester")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Fetches every measurement record stored in a photovoltaic installation tester\n"
    "connected by USB (a serial port), shows the records as they arrive and saves\n"
    "them as CSV or text, optionally with decimal commas.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")

include(CPack)
