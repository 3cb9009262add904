# Pak archive reader: loading the directory, then extracting every entry.
# Seeds are written by the pak writer.
k4_add_fuzzer(NAME pak_extract SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pak_extract.cpp
              LIBS k4content SEED_COMMAND pakwrite --seeds)
