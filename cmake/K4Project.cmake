# Common settings for the project's own targets.

# Warnings as errors for everything we write; includes from the source tree
# and generated headers (k4version.h).
function(k4_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}" "${K4_GENERATED_DIR}")
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  endif()
endfunction()

if(K4_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer (the native-tsan preset): the native tests checked for data
# races; its test preset stops a process at the first report, so that a race
# in a qbtex run started by a script fails that script too, and leaves out
# the long tests that start no threads of ours or repeat what others cover
# (CMakePresets.json). Libraries from the system (GoogleTest, zlib, libpng,
# libjpeg) are not instrumented; races inside them go unseen.
option(K4_TSAN "Build with ThreadSanitizer" OFF)
if(K4_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(K4_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# K4_TEST_TMP names a scratch folder for fixtures, in the form the test
# executable understands (a Z: path under Wine).
set(K4_TEST_TMP "${CMAKE_BINARY_DIR}/test-tmp")
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(K4_TEST_TMP "Z:${K4_TEST_TMP}")
endif()

# A GoogleTest executable whose tests are discovered when ctest runs (so the
# Windows build does not start Wine at build time).
# Tests that change machine-wide state (the game's install location in the
# registry of the shared Wine prefix) set K4_TEST_RESOURCE_LOCK before the
# call, so that ctest never runs two of them at once; tests that need a
# ctest fixture (a small full disk) name it in K4_TEST_FIXTURES.
function(k4_add_test_executable name)
  add_executable(${name} ${ARGN})
  k4_defaults(${name})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
  # A test that hangs (or a crash Wine's debugger holds) fails instead of
  # stopping the whole run.
  set(properties ENVIRONMENT "K4_TEST_TMP=${K4_TEST_TMP}" TIMEOUT 300)
  if(K4_TEST_RESOURCE_LOCK)
    list(APPEND properties RESOURCE_LOCK ${K4_TEST_RESOURCE_LOCK})
  endif()
  if(K4_TEST_FIXTURES)
    list(APPEND properties FIXTURES_REQUIRED ${K4_TEST_FIXTURES})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES ${properties})
endfunction()
