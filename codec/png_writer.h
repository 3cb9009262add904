// Writing 8-bit RGBA pixels as a PNG file in memory (non-interlaced, no
// ancillary chunks).
#pragma once

#include "codec/image.h"

#include <vector>

namespace k4codec {

HResult pngWriteRgba(const Rgba* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* bytes);

} // namespace k4codec
