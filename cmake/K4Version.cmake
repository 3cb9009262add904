# The program's version in the forms it is shown in, from project(... VERSION
# MAJOR.MINOR.PATCH), the one place it is kept. Users see MAJOR.MINOR with the
# patch level as a letter: 0.91.2 is "0.91b", 0.91.0 is "0.91". Sets
# K4_VERSION_TEXT and writes generated/k4version.h into the build folder
# (k4_defaults puts that folder on every target's include path).

set(k4_patch "${PROJECT_VERSION_PATCH}")
if(NOT k4_patch MATCHES "^[0-9]+$" OR k4_patch GREATER 26)
  message(FATAL_ERROR "The patch level of the version (${PROJECT_VERSION}) must be 0 to 26: it is shown as a letter")
endif()
set(K4_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
if(k4_patch GREATER 0)
  math(EXPR k4_letter "${k4_patch} - 1")
  string(SUBSTRING "abcdefghijklmnopqrstuvwxyz" ${k4_letter} 1 k4_letter)
  string(APPEND K4_VERSION_TEXT "${k4_letter}")
endif()

set(K4_GENERATED_DIR "${PROJECT_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/k4version.h.in" "${K4_GENERATED_DIR}/k4version.h" @ONLY)
