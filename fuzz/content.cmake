# Pak archive reader: directory loading, and loading plus extraction of every
# entry. Seeds are written by the pak writer.
k4_add_fuzzer(NAME pak SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pak.cpp LIBS k4content
              SEED_COMMAND pakwrite --seeds)
k4_add_fuzzer(NAME pak_extract SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pak_extract.cpp
              LIBS k4content SEED_COMMAND pakwrite --seeds)
