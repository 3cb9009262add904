# The settings (INI) reader, seeded by tools/iniseeds.
k4_add_fuzzer(NAME ini
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_ini.cpp
  LIBS k4foundation
  SEED_COMMAND k4iniseeds --out)
