// Mip levels: each level is made from the one above by a box filter. An even
// side halves exactly (the mean of 2 x 2 texels, rounded); an odd side
// (2n + 1 becomes n) weights each source texel by the part of it the output
// texel covers, so no texel is dropped.
#pragma once

#include "codec/image.h"

namespace k4codec {

// One level down: `dst` holds levelSize(width, 1) * levelSize(height, 1) pixels.
HResult downsampleBox(const Rgba* src, uint32_t width, uint32_t height, Rgba* dst);

// Rebuilds levels 1 and below of `image` from level 0, each from the one
// above it, keeping the level count and the format (DXT levels are made
// from the RGBA of the level above, not from its compressed form).
HResult rebuildMips(Image* image);

} // namespace k4codec
