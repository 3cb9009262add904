# Fuzz targets of the image readers, seeded by tools/k4imgseeds.
foreach(format dds bmp tga png jpeg)
  k4_add_fuzzer(NAME ${format}
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_${format}.cpp
    LIBS k4codec
    SEED_COMMAND k4imgseeds ${format})
endforeach()
