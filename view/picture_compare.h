// How far a picture is from the original it was made from: the peak
// signal-to-noise ratio of its colour and of its alpha, and a picture of the
// colour difference that the eye can see. The program shows both beside a
// DXT-compressed preview.
//
// Supports: 8-bit RGBA pixels of equal count. PSNR is 10 log10(255^2 / MSE)
// in dB over red, green and blue together, and over alpha alone; a perfect
// match gives infinity (isExact), never a division by zero. Does not weigh
// the channels (no luminance weighting).
#pragma once

#include "codec/formats.h"

#include <cstddef>
#include <cstdint>

namespace k4view {

struct PictureError {
    double rgbPsnr = 0;   // dB; infinity when the colours match exactly
    double alphaPsnr = 0; // dB; infinity when the alpha matches exactly
};

inline bool isExact(double psnr) {
    return psnr > 1e300;
}

// PSNR of a sum of squared 8-bit differences over `samples` channel values;
// infinity for a zero sum or no samples.
double psnrOfSquaredError(double sum, uint64_t samples);

// `count` pixels of the result against the original. With
// `colourWhereOpaque` the colour counts only where the original's alpha is
// 128 or more: DXT1 turns the rest into transparent black by design, and
// their colour cannot be seen.
PictureError comparePictures(const k4codec::Rgba* original, const k4codec::Rgba* result,
                             size_t count, bool colourWhereOpaque);

// The absolute difference of red, green and blue times `gain` (clamped to
// 255), opaque, into `out` (`count` pixels; may be `result`). With
// `colourWhereOpaque`, as for the PSNR, black where the original's alpha is
// below 128: the picture shows what the PSNR counts.
void differencePicture(const k4codec::Rgba* original, const k4codec::Rgba* result, size_t count,
                       uint32_t gain, bool colourWhereOpaque, k4codec::Rgba* out);

} // namespace k4view
