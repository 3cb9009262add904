# The texture check's rules over any file names and headers a folder can
# hold; seeds are the file lists of the check's fixture mods.
k4_add_fuzzer(NAME texture_check SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_texture_check.cpp
              LIBS k4export SEED_COMMAND k4faultmod_cmd --seeds)
