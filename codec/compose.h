// One source texture drawn into an export output without a device, as the
// program's export draws it on its Direct3D device: the source as the texture
// cache loads it (each side rounded up to a power of two), stretched across
// the full width of the output and over a horizontal band centred
// vertically, whose height is the output height divided by the band aspect
// (1 for files: the whole output), blended over transparent black (colour
// times alpha, and alpha times alpha: a half-transparent texel keeps a
// quarter of its alpha); the rest of the output stays transparent black.
// The result is converted to the output format, and a full mip chain is
// made from that level 0 as the device's copy and filter do.
// See compose.cpp for what differs from the device.
#pragma once

#include "codec/image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace k4codec {

// A loaded source as a device texture holds it: level 0's size, and the
// format a device that creates every format gives it (the first of
// textureFormatCandidates).
struct TextureDesc {
    uint32_t width = 0;
    uint32_t height = 0;
    Format format = kFmtUnknown;
};

// Decodes a file as the texture cache loads it, level 0 only, in the decoded
// format. `info` (optional) receives the file's description.
HResult loadSourceTexture(const uint8_t* data, size_t size, Image* image, TextureDesc* desc,
                          ImageInfo* info);
// The description loadSourceTexture gives, from the file's header (a file
// whose own format the codec does not convert, such as a palette, is decoded
// to learn whether it has alpha).
HResult describeSourceTexture(const uint8_t* data, size_t size, TextureDesc* desc);

// The rows [*top, *bottom) the band covers: those whose whole-number
// coordinate y lies in [c - b, c + b), c = height / 2 (whole-number halving)
// and b = height / (2 * bandAspect) in floats.
void bandRows(uint32_t height, float bandAspect, uint32_t* top, uint32_t* bottom);

// Level 0 of `source` drawn over the band of a width x height output and
// blended over transparent black; `pixels` gets width * height pixels.
// kInvalidCall for a zero or too large size, a band aspect that is not
// positive, or a source that cannot be decoded.
HResult composeBand(const Image& source, uint32_t width, uint32_t height, float bandAspect,
                    std::vector<Rgba>* pixels);

// composeBand converted to `format` (one of the output formats) with
// `levelCount` levels: 1, or 0 for the full chain. `out` is left as it was
// on failure.
HResult composeTexture(const Image& source, uint32_t width, uint32_t height, float bandAspect,
                       uint32_t levelCount, Format format, Image* out);

} // namespace k4codec
