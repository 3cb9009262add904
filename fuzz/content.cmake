# Pak archive reader: loading the directory, then extracting every entry.
# Seeds are written by the pak writer.
k4_add_fuzzer(NAME pak_extract SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pak_extract.cpp
              LIBS k4content SEED_COMMAND pakwrite --seeds)
# Pak registry: two or three archives merged, every file asked for.
k4_add_fuzzer(NAME pak_merge SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pak_merge.cpp
              LIBS k4content SEED_COMMAND pakwrite --merge-seeds)
