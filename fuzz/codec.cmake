# Fuzz targets of the image readers, one source built once per reader,
# seeded by tools/k4imgseeds.
foreach(format dds bmp tga png jpeg)
  k4_add_fuzzer(NAME ${format}
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_image.cpp
    LIBS k4codec
    SEED_COMMAND k4imgseeds ${format})
  target_compile_definitions(fuzz_${format} PRIVATE K4_FUZZ_READER=${format})
endforeach()
target_compile_definitions(fuzz_png PRIVATE K4_FUZZ_INTO_ROWS=1)
