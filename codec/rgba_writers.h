// Writing 8-bit RGBA pixels as TGA and BMP files in memory, for pictures
// taken out of the program to be edited elsewhere. Both keep alpha: a
// picture with any texel below 255 is written with 32 bits a pixel and its
// alpha (TGA with 8 alpha bits; BMP with a V4 header whose bit fields name
// the alpha byte, as ImageMagick, Pillow and Windows read it); an opaque one
// with 24. Uncompressed, rows from the top (TGA) or the bottom (BMP).
// Limits: width and height 1 to kMaxDimension (else kInvalidCall).
#pragma once

#include "codec/image.h"

#include <vector>

namespace k4codec {

HResult tgaWriteRgba(const Rgba* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* bytes);
HResult bmpWriteRgba(const Rgba* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* bytes);

// True when any pixel's alpha is below 255.
bool hasAlpha(const Rgba* pixels, size_t count);

} // namespace k4codec
