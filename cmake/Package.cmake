# The package for users: `cmake --build <dir> --target package` makes a zip
# holding one plugin folder, Kestrin\, with the 32-bit kestrin.dll, the
# language files and a short readme on installing it into the file manager.
# Only the 32-bit build is the product; the 64-bit build is a test vehicle
# and makes no package.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  return()
endif()

set(kestrin_plugin_folder Kestrin)

install(TARGETS kestrin_module
        RUNTIME DESTINATION ${kestrin_plugin_folder}
        LIBRARY DESTINATION ${kestrin_plugin_folder})
file(GLOB kestrin_language_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/lang/*.lng)
install(FILES ${kestrin_language_files} DESTINATION ${kestrin_plugin_folder})

# Windows line ends, so that every editor on the user's side shows it right.
configure_file(${CMAKE_CURRENT_LIST_DIR}/PackageReadme.txt.in
               ${CMAKE_BINARY_DIR}/package/ReadMe.txt @ONLY NEWLINE_STYLE WIN32)
install(FILES ${CMAKE_BINARY_DIR}/package/ReadMe.txt DESTINATION ${kestrin_plugin_folder})

# The DLL carries its runtimes (linked statically): nothing else goes in.
set(CMAKE_INSTALL_SYSTEM_RUNTIME_LIBS_SKIP ON)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win32)
# The zip opens onto the plugin folder itself, ready to drop into Plugins\.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Users get the DLL without its symbol tables.
set(CPACK_STRIP_FILES ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
