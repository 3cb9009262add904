// Whole-level and whole-image conversion between the formats of formats.h
// (DXT included), through 8-bit RGBA.
#pragma once

#include "codec/image.h"

#include <vector>

namespace k4codec {

// One level as RGBA. kInvalidCall for a level or format it cannot decode.
HResult decodeLevel(const Image& image, uint32_t level, std::vector<Rgba>* pixels);

// RGBA pixels (width * height) into the bytes of one level of `format`.
HResult encodeLevel(const Rgba* pixels, uint32_t width, uint32_t height, Format format,
                    std::vector<uint8_t>* bytes);

// Every level of `src` into `format`; a plain copy when the format is the same.
HResult convertImage(const Image& src, Format format, Image* dst);

} // namespace k4codec
