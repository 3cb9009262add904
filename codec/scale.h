// Resampling of 8-bit RGBA pixels. Each axis is filtered on its own: a
// triangle (tent) filter as wide as the reduction when shrinking, bilinear
// when enlarging, a plain copy when the size stays. Channels are filtered
// independently (alpha is not premultiplied) and rounded to nearest.
#pragma once

#include "codec/formats.h"
#include "codec/status.h"

#include <cstdint>

namespace k4codec {

enum class ScaleFilter {
    Default, // tent when shrinking, bilinear when enlarging
    Box,     // each output pixel the area average of the source it covers
};

// `dst` holds dstWidth * dstHeight pixels. kOutOfMemory when the working
// buffer cannot be had, kInvalidCall for a zero size.
HResult scalePixels(const Rgba* src, uint32_t srcWidth, uint32_t srcHeight, Rgba* dst,
                    uint32_t dstWidth, uint32_t dstHeight,
                    ScaleFilter filter = ScaleFilter::Default);

} // namespace k4codec
