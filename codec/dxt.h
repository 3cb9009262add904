// DXT1, DXT3 and DXT5 (BC1 to BC3) blocks: decoding, and an encoder whose
// colour fit (dxt_colour.cpp) reaches above an exhaustive cluster fit's
// quality at a fraction of its cost. DXT2 and DXT4 decode like DXT3 and
// DXT5 (their premultiplied colour is left as it is).
//
// DXT1 uses its transparent mode (colour index 3 = transparent black) for
// texels whose alpha is below 128. DXT3 and DXT5 colour blocks always use the
// four-colour mode. Interpolated values are rounded: (2a + b + 1) / 3,
// (a + b + 1) / 2, and for DXT5 alpha ((7 - i) a0 + i a1 + 3) / 7 and
// ((5 - i) a0 + i a1 + 2) / 5.
#pragma once

#include "codec/formats.h"

#include <cstdint>

namespace k4codec {

// 8 bytes for DXT1, 16 for the others. `format` is DXT1 to DXT5.
void dxtDecodeBlock(Format format, const uint8_t* block, Rgba out[16]);
void dxtEncodeBlock(Format format, const Rgba in[16], uint8_t* block);

// Whole levels; `dst` and `src` hold width * height pixels, the blocks
// formatRowPitch(format, width) bytes per row of blocks. Partial blocks at
// the right and bottom edges are filled by repeating the last column and row.
// Encoding spreads rows of blocks over codecThreads() threads (parallel.h);
// the bytes are the same for any thread count.
void dxtDecodeImage(Format format, const uint8_t* src, uint32_t width, uint32_t height, Rgba* dst);
void dxtEncodeImage(Format format, const Rgba* src, uint32_t width, uint32_t height, uint8_t* dst);

} // namespace k4codec
