// The public BC1/BC3 encoders that dxt_bench measures ours against (icbc and
// rgbcx, from the anchors folder that bench/CMakeLists.txt names), behind
// one call per block. Benchmark only: the product never links them.
//
// DXT1 is colour only: every texel is opaque (three-colour blocks allowed,
// never transparent black). icbc has no BC3 encoder of its own (its
// compress_bc3 writes nothing), so its DXT5 is its four-colour BC1 block
// beside rgbcx's BC4 alpha block, the alpha rgbcx's own BC3 uses.
#pragma once

#include "codec/formats.h"

#include <cstdint>

namespace dxtanchors {

// Once, before any encoding.
void init();

// `level`: icbc 0 to 9, rgbcx 0 to 19. `block`: 8 bytes for DXT1, 16 for DXT5.
void icbcDxt1(int level, const k4codec::Rgba in[16], uint8_t* block);
void icbcDxt5(int level, const k4codec::Rgba in[16], uint8_t* block);
void rgbcxDxt1(int level, const k4codec::Rgba in[16], uint8_t* block);
void rgbcxDxt5(int level, const k4codec::Rgba in[16], uint8_t* block);

} // namespace dxtanchors
