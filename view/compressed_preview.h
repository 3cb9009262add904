// What DXT compression does to a picture, as the image panel previews it: the
// picture encoded by the codec's own DXT encoder (the one every export uses)
// and decoded again, or the difference of that result from the original, and
// how far it is from the original (PSNR).
//
// Supports DXT1, DXT3 and DXT5 over 8-bit RGBA pictures of any size up to
// the codec's limit (partial blocks at the edges as the encoder fills them).
// DXT1's colour PSNR counts only texels of alpha 128 or more (the rest become
// transparent black by design); its alpha PSNR is the one-bit cut-out's error.
#pragma once

#include "codec/formats.h"
#include "codec/status.h"
#include "view/picture_compare.h"

#include <cstdint>
#include <vector>

namespace k4view {

// The difference picture is amplified this many times.
inline constexpr uint32_t kDifferenceGain = 8;

struct CompressedPreview {
    std::vector<k4codec::Rgba> pixels; // width * height
    PictureError error;
};

// `format` is kFmtDXT1, kFmtDXT3 or kFmtDXT5 (else kInvalidCall). With
// `difference` the pixels are the absolute RGB difference times
// kDifferenceGain, opaque; otherwise decode(encode(picture)). kOutOfMemory
// when the memory cannot be had; `out` is then unchanged.
k4codec::HResult previewCompressed(k4codec::Format format, const k4codec::Rgba* pixels,
                                   uint32_t width, uint32_t height, bool difference,
                                   CompressedPreview* out);

} // namespace k4view
