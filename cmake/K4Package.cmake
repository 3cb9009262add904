# The download for Windows users: the `package` target (CPack) writes
# k4qb-texmgr-<version>-win64.zip into the build folder, holding the folder
# k4qb-texmgr-<version>-win64 with the program, its help file and a read-me.
# Only the install component "program" goes in, so install rules added for
# other things do not end up in the ZIP.

# Plain text for Windows users: CRLF line ends, so that any editor shows it.
configure_file("${PROJECT_SOURCE_DIR}/packaging/readme.txt.in"
  "${PROJECT_BINARY_DIR}/packaging/readme.txt" @ONLY NEWLINE_STYLE CRLF)

install(TARGETS k4qb-texmgr RUNTIME DESTINATION . COMPONENT program)
install(FILES "${K4_HELP_FILE}" "${PROJECT_BINARY_DIR}/packaging/readme.txt"
  DESTINATION . COMPONENT program)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME k4qb-texmgr)
set(CPACK_PACKAGE_VENDOR "Quellbury Texture Manager developers")
set(CPACK_PACKAGE_VERSION "${K4_VERSION_TEXT}")
set(CPACK_PACKAGE_FILE_NAME "k4qb-texmgr-${K4_VERSION_TEXT}-win64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};program;/")
include(CPack)
