# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(K4_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${K4_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${K4_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${K4_MINGW_TRIPLE}-windres)

# Libraries cross-built by scripts/setup come first, then the MinGW sysroot.
if(NOT DEFINED K4_DEPS_PREFIX)
  get_filename_component(K4_DEPS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build/deps/mingw/install" ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH "${K4_DEPS_PREFIX}" /usr/${K4_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The static runtime and static libraries are chosen by the top-level
# CMakeLists.txt, for this build and a build on Windows alike.
