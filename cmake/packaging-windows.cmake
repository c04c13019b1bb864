# The Windows program folder and its packages. The installation is the folder a user
# gets: the executable with the Qt and MinGW run-time DLLs and Qt's plugins beside it,
# Translations/ and Help/. CPack makes a zip of it and an NSIS installer.
find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui Widgets)

# Copies a run-time DLL, stripped (Qt's cross-build installs its DLLs unstripped),
# into runtime/<destination> of the build tree and installs it from there.
set(runtime_files)
function(ldl_install_runtime_dll path destination)
    get_filename_component(name "${path}" NAME)
    get_filename_component(folder "${CMAKE_BINARY_DIR}/runtime/${destination}" ABSOLUTE)
    set(stripped "${folder}/${name}")
    add_custom_command(OUTPUT "${stripped}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
        COMMAND "${CMAKE_STRIP}" --strip-unneeded -o "${stripped}" "${path}"
        DEPENDS "${path}"
        VERBATIM)
    install(FILES "${stripped}" DESTINATION "${destination}")
    set(runtime_files ${runtime_files} "${stripped}" PARENT_SCOPE)
endfunction()

foreach(target Core Gui Widgets)
    get_target_property(location Qt5::${target} LOCATION)
    ldl_install_runtime_dll("${location}" .)
endforeach()
foreach(plugin QWindowsIntegrationPlugin:platforms QWindowsVistaStylePlugin:styles QICOPlugin:imageformats)
    string(REPLACE ":" ";" plugin "${plugin}")
    list(GET plugin 0 target)
    list(GET plugin 1 destination)
    get_target_property(location Qt5::${target} LOCATION)
    ldl_install_runtime_dll("${location}" ${destination})
endforeach()

# The compiler's own run-time DLLs.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(gcc_runtime libgcc_s_dw2-1.dll)
else()
    set(gcc_runtime libgcc_s_seh-1.dll)
endif()
foreach(dll ${gcc_runtime} libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${dll}
        OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
        message(FATAL_ERROR "The MinGW run-time ${dll} was not found beside ${CMAKE_CXX_COMPILER}")
    endif()
    ldl_install_runtime_dll("${dll_path}" .)
endforeach()
add_custom_target(runtime_dlls ALL DEPENDS ${runtime_files})

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(package_platform win32)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
else()
    set(package_platform win64)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # A 64-bit installer, so that it runs where only 64-bit programs can.
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
endif()

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME LumetraDataLogger)
set(CPACK_PACKAGE_VENDOR Ormwick)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Downloads the stored records of an Ormwick PV installation tester")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "LumetraDataLogger-${PROJECT_VERSION}-${package_platform}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Lumetra DataLogger")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Lumetra DataLogger")
set(CPACK_STRIP_FILES ON)
# The Start-menu shortcut: executable name, then the shortcut's text.
set(CPACK_PACKAGE_EXECUTABLES LumetraDataLogger "Lumetra DataLogger")

set(CPACK_NSIS_PACKAGE_NAME "Lumetra DataLogger")
set(CPACK_NSIS_DISPLAY_NAME "Lumetra DataLogger ${PROJECT_VERSION}")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME LumetraDataLogger.exe)
set(CPACK_NSIS_MUI_ICON "${CMAKE_SOURCE_DIR}/resources/OrmwickLumetra.ico")
set(CPACK_NSIS_MUI_UNIICON "${CMAKE_SOURCE_DIR}/resources/OrmwickLumetra.ico")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)

include(CPack)
