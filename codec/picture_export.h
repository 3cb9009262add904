// A picture file taken out of the program to be edited elsewhere: an image
// file of any type the codec reads, written as PNG, TGA or BMP (its decoded
// top level, alpha kept: see rgba_writers.h and png_writer.h), or as DDS: a
// DDS file byte for byte as stored, any other picture as an A8R8G8B8 DDS of
// its top level through the codec's one DDS writer.
#pragma once

#include "codec/image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace k4codec {

// The file types a picture is exported as, with the numbers of FileType.
enum class ExportType : uint32_t { Bmp = 0, Tga = 2, Png = 3, Dds = 4 };

// The bytes of the exported file. The reader's result (kInvalidData,
// kTooLarge ...) when the picture cannot be read; kOutOfMemory.
HResult exportPicture(const uint8_t* data, size_t size, ExportType type,
                      std::vector<uint8_t>* bytes);

} // namespace k4codec
